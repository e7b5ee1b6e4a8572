// Percent-encoding (RFC 3986) of text put into a URL, shared by the program and the server.
#pragma once

#include <string>
#include <string_view>

namespace talewick {

// `text` with every byte but the unreserved ones (letters, digits, "-._~") percent-encoded: one
// path segment, or one name or value of a query or a form.
std::string percentEncoded(std::string_view text);

}  // namespace talewick
