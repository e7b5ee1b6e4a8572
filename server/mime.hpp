// Reading Internet mail (RFC 5322 with MIME, RFC 2045–2046): the headers of a message and the
// tree of its parts, each part's body decoded from its transfer encoding. What the mail server
// hands to `mail-in` comes from anyone: nothing here throws, and a damaged piece is read as far
// as it makes sense (a part without its closing boundary ends with the message).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talewick::server::mime {

struct Header {
  std::string name;   // lower case
  std::string value;  // unfolded, without the space after the colon
};

struct Part {
  std::vector<Header> headers;
  // The media type in lower case ("text/calendar"); "text/plain" when the part names none.
  std::string mediaType = "text/plain";
  std::map<std::string, std::string> parameters;  // names in lower case, values unquoted
  // The body decoded from base64 or quoted-printable (as it came for other encodings); empty for
  // a multipart part.
  std::string body;
  // A multipart's parts in order; for a message/rfc822 part, the message it holds.
  std::vector<Part> parts;

  // The first header named `name` (any case); nullopt when there is none.
  std::optional<std::string> header(std::string_view name) const;
  // Every header named `name`, in order.
  std::vector<std::string> all(std::string_view name) const;
};

// The message `text`, lines ended by CR LF or LF alike. Nesting deeper than a few levels is read
// as an opaque body.
Part parse(std::string_view text);

// Every part of `message` (itself included, nested messages too) whose media type is one of
// `mediaTypes`, depth first.
std::vector<const Part*> partsOfType(const Part& message,
                                     const std::vector<std::string_view>& mediaTypes);

// The addresses (local@domain) an address header lists: "Ana <a@x.org>, b@y.org" gives
// {"a@x.org", "b@y.org"}; display names, quoted text and comments are skipped.
std::vector<std::string> addresses(std::string_view headerValue);

std::string decodeBase64(std::string_view text);
std::string decodeQuotedPrintable(std::string_view text);

}  // namespace talewick::server::mime
