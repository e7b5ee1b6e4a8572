#include "server/openings.hpp"

#include <algorithm>
#include <cmath>
#include <set>

#include "server/time_text.hpp"
#include "support/date.hpp"

namespace talewick::server::openings {
namespace {

using nlohmann::json;

// A string member of `body`: nullopt when absent or not a string.
std::optional<std::string> stringAt(const json& body, const char* key) {
  const auto found = body.find(key);
  if (found == body.end() || !found->is_string()) return std::nullopt;
  return found->get<std::string>();
}

std::string trimmed(std::string_view text) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return std::string(text);
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string formDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
               hexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// One '@', something on each side, a dot inside the domain, no space: enough to catch a slip of
// the keyboard; whether the address exists is for the owner to find out.
bool plausibleEmail(std::string_view email) {
  const std::size_t at = email.find('@');
  if (at == std::string_view::npos || at == 0 || email.find('@', at + 1) != std::string_view::npos)
    return false;
  const std::string_view domain = email.substr(at + 1);
  const std::size_t dot = domain.find('.');
  if (dot == std::string_view::npos || dot == 0 || domain.back() == '.') return false;
  return std::none_of(email.begin(), email.end(),
                      [](char c) { return c == ' ' || c == '<' || c == '>' || c == ','; });
}

}  // namespace

bool cleanText(std::string_view text, bool multiline) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      const bool allowedBreak = multiline && (byte == '\n' || byte == '\r' || byte == '\t');
      if ((byte < 0x20 && !allowedBreak) || byte == 0x7f) return false;
      ++i;
      continue;
    }
    // A well-formed sequence: its length from the lead byte, continuation bytes after it, no
    // overlong form, no surrogate, nothing past U+10FFFF; C1 controls refused too.
    const int length = byte >= 0xf0 ? 4 : byte >= 0xe0 ? 3 : byte >= 0xc2 ? 2 : 0;
    if (length == 0 || byte > 0xf4 || i + length > text.size()) return false;
    char32_t code = byte & (0x7f >> length);
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xc0) != 0x80) return false;
      code = (code << 6) | (next & 0x3f);
    }
    const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < smallest || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return false;
    if (code >= 0x80 && code <= 0x9f) return false;
    i += length;
  }
  return true;
}

std::variant<OpeningRequest, std::string> readOpeningRequest(const json& body) {
  if (!body.is_object()) return std::string("Le corps doit être un objet JSON.");
  OpeningRequest request;
  const std::optional<std::string> title = stringAt(body, "title");
  if (!title || trimmed(*title).empty())
    return std::string("« title » manque : le titre de la page de réservation.");
  request.title = trimmed(*title);
  if (request.title.size() > MAX_TITLE_BYTES || !cleanText(request.title, false)) {
    return "« title » : une ligne de " + std::to_string(MAX_TITLE_BYTES) + " octets au plus.";
  }
  const auto duration = body.find("durationMin");
  if (duration == body.end() || !duration->is_number_integer() ||
      duration->get<std::int64_t>() < MIN_DURATION_MIN ||
      duration->get<std::int64_t>() > MAX_DURATION_MIN) {
    return "« durationMin » : un nombre entier de minutes, de " + std::to_string(MIN_DURATION_MIN) +
           " à " + std::to_string(MAX_DURATION_MIN) + ".";
  }
  request.durationMin = duration->get<std::int64_t>();
  const std::optional<std::string> approval = stringAt(body, "approval");
  if (approval != "auto" && approval != "manual")
    return std::string("« approval » : « auto » ou « manual ».");
  request.approval = *approval;
  if (body.contains("conference")) {
    const std::optional<std::string> conference = stringAt(body, "conference");
    if (!conference || conference->size() > MAX_CONFERENCE_BYTES ||
        !cleanText(*conference, false)) {
      return "« conference » : une ligne de " + std::to_string(MAX_CONFERENCE_BYTES) +
             " octets au plus.";
    }
    request.conference = trimmed(*conference);
  }
  const auto slots = body.find("slots");
  if (slots == body.end() || !slots->is_array() || slots->empty())
    return std::string("« slots » : une liste non vide de débuts de créneaux ISO 8601.");
  if (slots->size() > MAX_SLOTS)
    return "« slots » : " + std::to_string(MAX_SLOTS) + " créneaux au plus.";
  std::set<std::string> seen;
  for (const json& slot : *slots) {
    if (!slot.is_string() || !slotInstant(slot.get<std::string>())) {
      return "« slots » : « " + (slot.is_string() ? slot.get<std::string>() : slot.dump()) +
             " » n'est pas une date et heure ISO 8601 avec son décalage "
             "(2026-12-10T09:00:00+01:00).";
    }
    if (seen.insert(slot.get<std::string>()).second)
      request.slots.push_back(slot.get<std::string>());
  }
  return request;
}

std::optional<std::int64_t> slotInstant(std::string_view slot) {
  // Only the forms with a time: a date alone would be a slot at midnight by accident.
  if (slot.size() < 16 || slot.size() > 40 || (slot[10] != 'T' && slot[10] != 't')) {
    return std::nullopt;
  }
  const std::optional<iso8601::Parsed> parsed = iso8601::parse(slot);
  if (!parsed || !parsed->offsetSeconds) return std::nullopt;
  const Date instant = iso8601::instant(parsed->civil, *parsed->offsetSeconds);
  return static_cast<std::int64_t>(std::floor(instant.unix()));
}

std::vector<std::string> freeSlots(const Opening& opening, const std::vector<Booking>& bookings,
                                   std::int64_t now) {
  std::set<std::string> held;
  for (const Booking& booking : bookings) {
    if (booking.status != "declined") held.insert(booking.slot);
  }
  std::vector<std::pair<std::int64_t, std::string>> free;
  for (const std::string& slot : opening.slots) {
    const std::optional<std::int64_t> at = slotInstant(slot);
    if (at && *at > now && !held.contains(slot)) free.emplace_back(*at, slot);
  }
  std::stable_sort(free.begin(), free.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> slots;
  for (auto& [at, slot] : free) slots.push_back(std::move(slot));
  return slots;
}

json bookingRecord(const Booking& booking) {
  return {{"id", booking.id},
          {"slot", booking.slot},
          {"name", booking.name},
          {"email", booking.email},
          {"note", booking.note},
          {"status", booking.status},
          {"createdAt", isoSeconds(booking.createdAt)}};
}

BookingForm readBookingForm(std::string_view body) {
  BookingForm form;
  std::set<std::string> given;
  while (!body.empty()) {
    const std::size_t end = body.find('&');
    const std::string_view pair = body.substr(0, end);
    body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
    const std::size_t equals = pair.find('=');
    const std::string key = formDecoded(pair.substr(0, equals));
    const std::string value =
        equals == std::string_view::npos ? std::string() : formDecoded(pair.substr(equals + 1));
    if (!given.insert(key).second) continue;
    if (key == "slot") form.slot = value;
    if (key == "name") form.name = trimmed(value);
    if (key == "email") form.email = trimmed(value);
    if (key == "note") form.note = value;
  }
  return form;
}

std::optional<std::string> formProblem(const BookingForm& form) {
  if (form.slot.empty()) return std::string("Choisissez un créneau.");
  if (!cleanText(form.name, false) || !cleanText(form.email, false) ||
      !cleanText(form.note, true) || !cleanText(form.slot, false)) {
    return std::string("Le formulaire contient des caractères invalides.");
  }
  if (form.name.empty()) return std::string("Indiquez votre nom.");
  if (form.name.size() > MAX_NAME_BYTES) return std::string("Le nom est trop long.");
  if (form.email.empty()) return std::string("Indiquez votre adresse e-mail.");
  if (form.email.size() > MAX_EMAIL_BYTES || !plausibleEmail(form.email)) {
    return std::string("L'adresse e-mail ne semble pas valide.");
  }
  if (form.note.size() > MAX_NOTE_BYTES) return std::string("Le message est trop long.");
  return std::nullopt;
}

}  // namespace talewick::server::openings
