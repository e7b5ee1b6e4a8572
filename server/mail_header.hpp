// Writing mail headers and bodies that nobody's text can break: a header value never holds a
// line break (which would start a header of the writer's choosing), text that is not plain ASCII
// travels as RFC 2047 encoded words, and bodies as base64 in short lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace talewick::server::mail {

// Whether `text` is a plain address "local@domain" that may stand in a header and an SMTP
// command: printable ASCII without spaces, angle brackets, quotes or separators, one "@" with
// something on each side, 254 characters at most.
bool isAddress(std::string_view text);

// `text` as the value of an unstructured header (Subject) or a display name: control characters
// (line breaks included) become spaces; text other than printable ASCII, or holding characters
// that mean something in an address header, becomes encoded words ("=?UTF-8?B?…?="), folded
// onto continuation lines so that no line grows past 78 characters.
std::string headerText(std::string_view text);

// "Name <address>", the name through headerText; the bare address without a name.
std::string mailbox(std::string_view name, std::string_view address);

// `bytes` in base64, in lines of 76 characters ended by CR LF.
std::string base64Lines(std::string_view bytes);

// The date of a header ("Mon, 07 Dec 2026 11:00:00 +0000") of seconds since 1970.
std::string headerDate(std::int64_t unixSeconds);

}  // namespace talewick::server::mail
