#include "server/mail_header.hpp"

#include <array>
#include <ctime>

namespace talewick::server::mail {

namespace {

constexpr std::string_view BASE64 =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t chunk = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) chunk |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) chunk |= static_cast<unsigned char>(bytes[i + 2]);
    out += BASE64[(chunk >> 18) & 63];
    out += BASE64[(chunk >> 12) & 63];
    out += i + 1 < bytes.size() ? BASE64[(chunk >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? BASE64[chunk & 63] : '=';
  }
  return out;
}

// Whether `text` can stand as it is in a header: printable ASCII and spaces, none of the
// characters that delimit addresses, comments or encoded words.
bool plain(std::string_view text) {
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u > 0x7E) return false;
    if (std::string_view("\"(),.:;<>@[\\]=?").find(c) != std::string_view::npos) return false;
  }
  return text.size() <= 60;
}

// The length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
std::size_t sequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

bool isAddress(std::string_view text) {
  if (text.empty() || text.size() > 254) return false;
  const std::size_t at = text.find('@');
  if (at == 0 || at == std::string_view::npos || at + 1 == text.size()) return false;
  if (text.find('@', at + 1) != std::string_view::npos) return false;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F) return false;
    if (std::string_view("\"(),:;<>[\\]").find(c) != std::string_view::npos) return false;
  }
  return true;
}

std::string headerText(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    clean += (u < 0x20 || u == 0x7F) ? ' ' : c;
  }
  if (plain(clean)) return clean;
  // Encoded words of at most 45 octets of text each (60 characters once encoded, 72 with their
  // delimiters), never splitting a UTF-8 sequence between two words.
  std::string out;
  std::size_t start = 0;
  while (start < clean.size()) {
    std::size_t end = start;
    while (end < clean.size()) {
      const std::size_t next = end + sequenceLength(static_cast<unsigned char>(clean[end]));
      if (next - start > 45) break;
      end = std::min(next, clean.size());
    }
    if (end == start) end = std::min(start + 45, clean.size());
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + base64(std::string_view(clean).substr(start, end - start)) + "?=";
    start = end;
  }
  return out;
}

std::string mailbox(std::string_view name, std::string_view address) {
  std::string shown = headerText(name);
  if (shown.find_first_not_of(' ') == std::string::npos) return std::string(address);
  return shown + " <" + std::string(address) + ">";
}

std::string base64Lines(std::string_view bytes) {
  const std::string encoded = base64(bytes);
  std::string out;
  for (std::size_t i = 0; i < encoded.size(); i += 76) out += encoded.substr(i, 76) + "\r\n";
  return out;
}

std::string headerDate(std::int64_t unixSeconds) {
  const std::time_t seconds = static_cast<std::time_t>(unixSeconds);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  static constexpr std::array<const char*, 7> days = {"Sun", "Mon", "Tue", "Wed",
                                                      "Thu", "Fri", "Sat"};
  static constexpr std::array<const char*, 12> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", days[utc.tm_wday],
                utc.tm_mday, months[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                utc.tm_sec);
  return text;
}

}  // namespace talewick::server::mail
