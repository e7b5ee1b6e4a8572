// Text placed in an HTML page: whatever a visitor or a user typed goes through here, in element
// content and in quoted attribute values alike.
#pragma once

#include <string>
#include <string_view>

namespace talewick::server::html {

// `text` with & < > " ' written as character references.
std::string escaped(std::string_view text);

}  // namespace talewick::server::html
