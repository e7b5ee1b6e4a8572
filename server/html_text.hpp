// Text placed in an HTML page: whatever a visitor or a user typed goes through here, in element
// content and in quoted attribute values alike.
#pragma once

#include <string>
#include <string_view>

namespace talewick::server::html {

// `text` with & < > " ' written as character references.
std::string escaped(std::string_view text);

// A whole French page: `title` (escaped here), the page's own `style` sheet, and `body`, HTML
// already made of escaped parts.
std::string document(std::string_view title, std::string_view style, std::string_view body);

}  // namespace talewick::server::html
