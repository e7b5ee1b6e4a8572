#include "services/linear/linear_graphql_http.hpp"

namespace talewick::linear {

LinearGraphQLClient::Send graphQLSend(HttpClient& http, std::string endpoint,
                                      std::string authorization) {
  return [&http, endpoint = std::move(endpoint),
          authorization = std::move(authorization)](const Json& body) {
    HttpRequest request;
    request.method = "POST";
    request.url = endpoint;
    request.headers = {{"authorization", authorization},
                       {"content-type", "application/json"},
                       {"accept", "application/json"}};
    request.body = body.dump();
    request.timeout = GRAPHQL_TIMEOUT;
    const HttpResponse answer = http.send(request);
    return LinearGraphQLClient::envelopeOf(answer.status, answer.body);
  };
}

}  // namespace talewick::linear
