// Linear's GraphQL client over the program's HTTP port: each request a POST of {"query",
// "variables"} to the endpoint with the mode's authorization header (a personal key as it is, an
// OAuth token as "Bearer TOKEN"). Blocks: call it on a serial queue, never on the main loop.
#pragma once

#include <chrono>
#include <string>

#include "core/http_port.hpp"
#include "linear/linear_graphql.hpp"

namespace talewick::linear {

inline constexpr const char* DEFAULT_GRAPHQL_ENDPOINT = "https://api.linear.app/graphql";
inline constexpr std::chrono::seconds GRAPHQL_TIMEOUT{20};

LinearGraphQLClient::Send graphQLSend(HttpClient& http, std::string endpoint,
                                      std::string authorization);

}  // namespace talewick::linear
