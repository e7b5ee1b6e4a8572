#include "services/invites/invite_sender.hpp"

#include <unicode/unistr.h>

#include <array>
#include <chrono>
#include <cstdio>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "text/invite_lore.hpp"

namespace talewick::invites {

namespace {

constexpr std::chrono::seconds POST_TIMEOUT{20};
constexpr std::size_t ERROR_BODY_CHARACTERS = 200;

std::optional<std::string> trimmedSetting(const Preferences& preferences, const char* key) {
  const std::optional<std::string> value = preferences.string(key);
  if (!value) return std::nullopt;
  std::string trimmed(text::trim(*value));
  if (trimmed.empty()) return std::nullopt;
  return trimmed;
}

std::string dayText(const LocalCalendar::Fields& f) {
  static constexpr std::array<const char*, 7> frDays = {"dimanche", "lundi",    "mardi", "mercredi",
                                                        "jeudi",    "vendredi", "samedi"};
  static constexpr std::array<const char*, 12> frMonths = {
      "janvier", "février", "mars",      "avril",   "mai",      "juin",
      "juillet", "août",    "septembre", "octobre", "novembre", "décembre"};
  static constexpr std::array<const char*, 7> enDays = {
      "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  static constexpr std::array<const char*, 12> enMonths = {
      "January", "February", "March",     "April",   "May",      "June",
      "July",    "August",   "September", "October", "November", "December"};
  const bool english = Loc::language() == Loc::Language::en;
  const auto day = static_cast<std::size_t>(f.weekday - 1);
  const auto month = static_cast<std::size_t>(f.month - 1);
  return std::string(english ? enDays[day] : frDays[day]) + " " + std::to_string(f.day) + " " +
         (english ? enMonths[month] : frMonths[month]) + " " + std::to_string(f.year);
}

std::string clockText(const LocalCalendar::Fields& f) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", f.hour, f.minute);
  return text;
}

std::string offsetText(int seconds) {
  const int minutes = std::abs(seconds) / 60;
  char text[16];
  std::snprintf(text, sizeof text, "UTC%c%02d:%02d", seconds < 0 ? '-' : '+', minutes / 60,
                minutes % 60);
  return text;
}

// The first `count` characters (code points) of valid UTF-8 `text`; "" when it is not UTF-8.
std::string utf8Prefix(const std::string& text, std::size_t count) {
  const icu::UnicodeString decoded = icu::UnicodeString::fromUTF8(text);
  std::string back;
  decoded.toUTF8String(back);
  if (back != text) return "";  // invalid sequences were replaced: the body is not UTF-8
  const int32_t end = decoded.moveIndex32(0, static_cast<int32_t>(count));
  std::string prefix;
  decoded.tempSubString(0, end).toUTF8String(prefix);
  return prefix;
}

}  // namespace

InviteConfig InviteConfig::read(const Preferences& preferences,
                                const std::optional<std::string>& backendRoot) {
  InviteConfig config;
  config.endpoint = trimmedSetting(preferences, ENDPOINT_KEY);
  if (!config.endpoint && backendRoot) config.endpoint = *backendRoot + "/" + DEFAULT_PATH;
  config.organizerEmail = trimmedSetting(preferences, ORGANIZER_EMAIL_KEY);
  config.organizerName = trimmedSetting(preferences, ORGANIZER_NAME_KEY);
  return config;
}

std::string rsvpReadEndpoint(const std::string& endpoint) {
  std::string base = endpoint;
  while (base.ends_with('/')) base.pop_back();
  const std::size_t slash = base.rfind('/');
  const std::size_t scheme = base.find("://");
  if (slash == std::string::npos || (scheme != std::string::npos && slash < scheme + 3)) {
    return base + "/rsvp";
  }
  return base.substr(0, slash + 1) + "rsvp";
}

Json sendPayload(const CalendarInvite& invite, const InviteTexts& texts,
                 const std::string& organizerEmail,
                 const std::optional<std::string>& organizerName) {
  Json payload = Json::object();
  payload["organizerEmail"] = organizerEmail;
  if (organizerName) payload["organizerName"] = *organizerName;
  payload["subject"] = "Invitation : " + invite.title;
  payload["ics"] = texts.ics;
  payload["uid"] = invite.uid;
  payload["token"] = texts.token;
  payload["eventTitle"] = invite.title;
  payload["whenLabel"] = texts.whenLabel;
  if (invite.location) payload["location"] = *invite.location;
  payload["lore"] = InviteLore::line(invite.title);
  Json invitees = Json::array();
  for (const CalendarInvitee& guest : invite.invitees) {
    Json entry = Json::object();
    entry["email"] = guest.email;
    if (guest.name) entry["name"] = *guest.name;
    invitees.push_back(std::move(entry));
  }
  payload["invitees"] = std::move(invitees);
  return payload;
}

std::string frenchWhen(Date start, Date end, bool isAllDay) {
  const LocalCalendar::Fields from = LocalCalendar::fields(start);
  if (isAllDay) return dayText(from);
  const LocalCalendar::Fields to = LocalCalendar::fields(end);
  std::string text = dayText(from) + ", " + clockText(from) + " → ";
  if (LocalCalendar::dayKey(from) != LocalCalendar::dayKey(to)) text += dayText(to) + ", ";
  return text + clockText(to) + " (" + offsetText(LocalCalendar::utcOffsetSeconds(start)) + ")";
}

std::optional<std::string> postInvite(HttpClient& http, const std::string& url, const Json& payload,
                                      const std::optional<std::string>& apiKey) {
  HttpRequest request;
  request.method = "POST";
  request.url = url;
  request.headers = {{"Content-Type", "application/json"}};
  if (apiKey) request.headers.emplace_back("authorization", "Bearer " + *apiKey);
  request.body = payload.dump(-1, ' ', false, Json::error_handler_t::replace);
  request.timeout = POST_TIMEOUT;
  HttpResponse response;
  try {
    response = http.send(request);
  } catch (const HttpTransportError& e) {
    return std::string(e.what());
  }
  if (response.status <= 0) {
    return Loc::string("invite.error.badResponse", "Réponse réseau invalide.");
  }
  if (response.status >= 200 && response.status <= 299) return std::nullopt;
  return "HTTP " + std::to_string(response.status) + " — " +
         utf8Prefix(response.body, ERROR_BODY_CHARACTERS);
}

}  // namespace talewick::invites
