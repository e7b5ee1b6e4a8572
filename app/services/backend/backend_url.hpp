// The backend's address as the user wrote it, and the addresses of its calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace talewick::backend {

// Whether `text` is an absolute http:// or https:// URL with a host, free of white space and
// control characters. The browser is given only such addresses.
bool isHttpURL(std::string_view text);

// The root of every call: `text` trimmed of white space, without its final "/". nullopt when the
// trimmed text is not an http(s) URL or carries a query or a fragment (the paths of the calls
// are appended to it), so that such a setting counts as no backend at all.
std::optional<std::string> backendRoot(std::string_view text);

// "name=value&…" with both sides percent-encoded: a query string, or the body of a form POST
// (application/x-www-form-urlencoded).
std::string formEncoded(const std::vector<std::pair<std::string, std::string>>& items);
// `path` ("api/asana/connections") appended to `root` as path components.
std::string callURL(const std::string& root, std::string_view path);

}  // namespace talewick::backend
