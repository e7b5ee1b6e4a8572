#include "server/html_text.hpp"

namespace talewick::server::html {

std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string document(std::string_view title, std::string_view style, std::string_view body) {
  std::string page =
      "<!doctype html>\n<html lang=\"fr\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
      "<meta name=\"referrer\" content=\"no-referrer\"><title>";
  page += escaped(title);
  page += "</title><style>";
  page += style;
  page += "</style></head>\n<body>\n";
  page += body;
  page += "</body></html>\n";
  return page;
}

}  // namespace talewick::server::html
