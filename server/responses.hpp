// How every route answers: JSON documents, the {"error"} refusals, and HTML pages with the
// headers that keep a page from running, loading or being framed by anything else.
#pragma once

#include <httplib.h>

#include <nlohmann/json.hpp>
#include <string>

namespace talewick::server {

void sendJson(httplib::Response& response, int status, const nlohmann::json& body);
// A record of the wire (questkit's records encode to ordered JSON), its keys in field order.
void sendRecord(httplib::Response& response, int status, const nlohmann::ordered_json& record);
// {"error": message}, the shape clients read refusals in.
void sendError(httplib::Response& response, int status, const std::string& message);
// `page`, a whole HTML document (html::document), as the answer.
void sendPage(httplib::Response& response, int status, const std::string& page);

}  // namespace talewick::server
