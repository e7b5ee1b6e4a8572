#include "server/booking_page.hpp"

#include <array>
#include <cstdio>
#include <optional>

#include "server/html_text.hpp"
#include "support/date.hpp"

namespace talewick::server::booking_page {
namespace {

using html::escaped;

constexpr std::array<const char*, 7> WEEKDAYS = {"lundi",    "mardi",  "mercredi", "jeudi",
                                                 "vendredi", "samedi", "dimanche"};
constexpr std::array<const char*, 12> MONTHS = {"janvier",   "février", "mars",     "avril",
                                                "mai",       "juin",    "juillet",  "août",
                                                "septembre", "octobre", "novembre", "décembre"};

constexpr const char* STYLE = R"css(
body{font-family:system-ui,sans-serif;max-width:40rem;margin:2rem auto;padding:0 1rem;color:#222;
background:#fafafa;line-height:1.4}
h1{font-size:1.5rem;margin-bottom:.25rem}
.meta{color:#555;margin-top:0}
.error{background:#fde8e8;border:1px solid #e0a0a0;padding:.5rem .75rem;border-radius:.3rem}
.done{background:#e8f6e8;border:1px solid #9c9;padding:.5rem .75rem;border-radius:.3rem}
fieldset{border:1px solid #ddd;border-radius:.3rem;margin:0 0 .75rem;background:#fff}
legend{font-weight:600;padding:0 .3rem}
.slot{display:inline-block;margin:.2rem .4rem .2rem 0;white-space:nowrap}
label.field{display:block;margin:.6rem 0 .2rem;font-weight:600}
input[type=text],input[type=email],textarea{width:100%;box-sizing:border-box;padding:.4rem;
font:inherit}
button{margin-top:1rem;padding:.5rem 1rem;font:inherit}
)css";

std::optional<iso8601::Parsed> parsedSlot(const std::string& slot) {
  if (!openings::slotInstant(slot)) return std::nullopt;
  return iso8601::parse(slot);
}

std::string twoDigits(int n) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

std::string offsetText(int offsetSeconds) {
  if (offsetSeconds == 0) return "UTC";
  const int minutes = (offsetSeconds < 0 ? -offsetSeconds : offsetSeconds) / 60;
  return std::string("UTC") + (offsetSeconds < 0 ? "−" : "+") + twoDigits(minutes / 60) + ":" +
         twoDigits(minutes % 60);
}

std::string lengthText(std::int64_t minutes) {
  if (minutes < 60) return std::to_string(minutes) + " min";
  const std::string hours = std::to_string(minutes / 60) + " h";
  return minutes % 60 == 0 ? hours : hours + " " + twoDigits(static_cast<int>(minutes % 60));
}

std::string heading(const Opening& opening) {
  std::string out = "<h1>" + escaped(opening.title) +
                    "</h1>\n<p class=\"meta\">Durée : " + lengthText(opening.durationMin);
  if (!opening.conference.empty()) out += " · Lieu : " + escaped(opening.conference);
  return out + "</p>\n";
}

}  // namespace

std::string dayText(const std::string& slot) {
  const std::optional<iso8601::Parsed> parsed = parsedSlot(slot);
  if (!parsed) return "";
  const CivilTime& c = parsed->civil;
  const std::int64_t days = daysFromCivil(c.year, c.month, c.day);
  // 1970-01-01 was a Thursday.
  const auto weekday = static_cast<std::size_t>(((days % 7) + 7 + 3) % 7);
  return std::string(WEEKDAYS[weekday]) + " " + std::to_string(c.day) + " " +
         MONTHS[static_cast<std::size_t>(c.month - 1)] + " " + std::to_string(c.year);
}

std::string timeText(const std::string& slot) {
  const std::optional<iso8601::Parsed> parsed = parsedSlot(slot);
  if (!parsed) return "";
  return twoDigits(parsed->civil.hour) + ":" + twoDigits(parsed->civil.minute);
}

std::string formPage(const Opening& opening, const std::vector<std::string>& freeSlots,
                     const openings::BookingForm& kept, const std::string& error) {
  std::string body = heading(opening);
  if (!error.empty()) body += "<p class=\"error\" role=\"alert\">" + escaped(error) + "</p>\n";
  if (freeSlots.empty()) {
    body += "<p>Aucun créneau n'est libre pour le moment.</p>\n";
    return html::document(opening.title, STYLE, body);
  }
  body += "<form method=\"post\" accept-charset=\"utf-8\">\n";
  std::string day;
  int index = 0;
  for (const std::string& slot : freeSlots) {
    const std::string slotDay = dayText(slot);
    if (slotDay != day) {
      if (!day.empty()) body += "</fieldset>\n";
      day = slotDay;
      body += "<fieldset><legend>" + escaped(day) + " <small>(" +
              offsetText(*parsedSlot(slot)->offsetSeconds) + ")</small></legend>\n";
    }
    const std::string id = "slot-" + std::to_string(index++);
    body += "<span class=\"slot\"><input type=\"radio\" name=\"slot\" required id=\"" + id +
            "\" value=\"" + escaped(slot) + "\"" + (slot == kept.slot ? " checked" : "") +
            "><label for=\"" + id + "\">" + timeText(slot) + "</label></span>\n";
  }
  body += "</fieldset>\n";
  body +=
      "<label class=\"field\" for=\"name\">Nom</label><input type=\"text\" id=\"name\" "
      "name=\"name\" required maxlength=\"" +
      std::to_string(openings::MAX_NAME_BYTES) + "\" value=\"" + escaped(kept.name) + "\">\n";
  body +=
      "<label class=\"field\" for=\"email\">E-mail</label><input type=\"email\" "
      "id=\"email\" name=\"email\" required maxlength=\"" +
      std::to_string(openings::MAX_EMAIL_BYTES) + "\" value=\"" + escaped(kept.email) + "\">\n";
  body +=
      "<label class=\"field\" for=\"note\">Message (facultatif)</label><textarea id=\"note\" "
      "name=\"note\" rows=\"4\" maxlength=\"" +
      std::to_string(openings::MAX_NOTE_BYTES) + "\">" + escaped(kept.note) + "</textarea>\n";
  body += std::string("<button type=\"submit\">") +
          (opening.approval == "auto" ? "Réserver" : "Demander ce créneau") +
          "</button>\n</form>\n";
  return html::document(opening.title, STYLE, body);
}

std::string confirmationPage(const Opening& opening, const Booking& booking) {
  const std::string when = escaped(dayText(booking.slot)) + " à " + timeText(booking.slot);
  std::string body = heading(opening);
  if (booking.status == "confirmed") {
    body += "<p class=\"done\" role=\"status\">Rendez-vous confirmé : " + when + ".</p>\n";
  } else {
    body += "<p class=\"done\" role=\"status\">Demande envoyée pour le " + when +
            ". Vous serez contacté·e à l'adresse " + escaped(booking.email) +
            " une fois qu'elle aura été acceptée.</p>\n";
  }
  return html::document(opening.title, STYLE, body);
}

std::string missingPage() {
  return html::document(
      "Page introuvable", STYLE,
      "<h1>Page introuvable</h1>\n<p>Ce lien de réservation n'existe pas ou plus.</p>\n");
}

}  // namespace talewick::server::booking_page
