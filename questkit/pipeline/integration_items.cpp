#include "pipeline/integration_items.hpp"

#include <algorithm>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"

namespace talewick::IntegrationPipeline {

namespace {

bool isOpen(const Item& item) { return item.status == "open" || item.status == "scheduled"; }

// The origin of an http(s) URL ("https://host:port"), lower-cased; nullopt for anything else.
std::optional<std::string> originOf(std::string_view url) {
  const size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) return std::nullopt;
  std::string out(url.substr(0, scheme));
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (out != "http" && out != "https") return std::nullopt;
  const std::string_view rest = url.substr(scheme + 3);
  const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  // User information would let "https://backend@evil" pass for the backend.
  if (authority.empty() || authority.find('@') != std::string_view::npos) return std::nullopt;
  out += "://";
  for (const char c : authority)
    out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool hasControlOrSpace(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](unsigned char c) { return c <= 0x20 || c == 0x7f; });
}

}  // namespace

bool isCalendarItem(const Item& item) {
  return std::find(item.placements.begin(), item.placements.end(), CALENDAR_PLACEMENT) !=
         item.placements.end();
}

std::string integrationCalendarID(const Item& item) {
  std::string id = std::string(ID_PREFIX) + item.provider;
  if (item.calendarEvent && !item.calendarEvent->calendarId.empty()) {
    id += ":" + item.calendarEvent->calendarId;
  }
  return id;
}

std::optional<DayEvent> asCalendarDayEvent(const Item& item) {
  const std::optional<Date> start = item.startsAt ? item.startsAt : item.dueAt;
  if (!start) return std::nullopt;
  DayEvent event;
  event.id = std::string(ID_PREFIX) + item.id;
  event.title = item.title;
  event.notes = item.notes;
  event.url = item.url;
  event.calendarID = integrationCalendarID(item);
  event.externalIdentifier = event.id;
  event.startDate = *start;
  // Days without times are read as the user's own midnights; a timed event carries its length.
  const bool fromMidnight = !item.durationMin && LocalCalendar::startOfDay(*start) == *start;
  if (item.endsAt && *item.endsAt > *start) {
    event.endDate = *item.endsAt;
    // Whole days end at the midnight after the last one, as calendars count them.
    event.allDay = fromMidnight && LocalCalendar::startOfDay(*item.endsAt) == *item.endsAt;
  } else if (item.durationMin && *item.durationMin > 0) {
    event.endDate = start->adding(static_cast<double>(*item.durationMin) * 60);
  } else if (fromMidnight) {
    event.allDay = true;
    event.endDate = LocalCalendar::addingDays(*start, 1);
  } else {
    event.endDate = start->adding(DEFAULT_EVENT_SECONDS);
  }
  if (item.calendarEvent && item.calendarEvent->myResponseStatus) {
    const std::string& answer = *item.calendarEvent->myResponseStatus;
    event.needsResponse = answer == "needsAction" || answer == "tentative";
  }
  if (item.provider == "google-calendar") {
    event.calendarColorHex = "#4285F4";
  } else if (item.provider == "microsoft-calendar") {
    event.calendarColorHex = "#0078D4";
  } else {
    event.calendarColorHex = "#597DCE";
  }
  return event;
}

std::vector<Item> calendarItems(const std::vector<Item>& items, DateInterval interval,
                                const std::set<std::string>& hiddenCalendarIDs) {
  std::vector<Item> out;
  for (const Item& item : items) {
    if (!isCalendarItem(item) || !isOpen(item)) continue;
    if (hiddenCalendarIDs.count(integrationCalendarID(item))) continue;
    const std::optional<DayEvent> event = asCalendarDayEvent(item);
    if (!event || event->endDate <= interval.start || event->startDate >= interval.end) continue;
    out.push_back(item);
  }
  return out;
}

bool matchesCalendarQuestContent(const Item& item, std::string_view title, Date start) {
  const std::optional<Date> own = item.startsAt ? item.startsAt : item.dueAt;
  return own && item.title == title &&
         static_cast<int64_t>(own->seconds) == static_cast<int64_t>(start.seconds);
}

std::vector<Item> sideQuestItems(const std::vector<Item>& items,
                                 const std::set<std::string>& hidden) {
  std::vector<Item> out;
  for (const Item& item : items) {
    if (isCalendarItem(item) || hidden.count(item.id)) continue;
    if (!item.platformSupport || !item.platformSupport->macOS.sideQuestList) continue;
    out.push_back(item);
  }
  return out;
}

std::vector<TrackerTicket> trackerTickets(const std::vector<Item>& items,
                                          const std::set<std::string>& hidden) {
  std::vector<TrackerTicket> out;
  for (const Item& item : items) {
    if (isCalendarItem(item) || hidden.count(item.id)) continue;
    const bool started =
        item.status == "in_progress" || item.status == "started" || item.status == "inProgress";
    out.push_back({item.id, item.title, item.dueAt, item.rpg.realm == "deadlines", started,
                   item.rpg.xp, item.rpg.gold, item.provider, item.projectName.value_or(""),
                   item.labels});
  }
  return out;
}

std::string_view spriteEmoji(std::string_view sprite) {
  if (sprite == "hourglass") return "⌛";
  if (sprite == "banner") return "🚩";
  if (sprite == "scroll") return "📜";
  return "•";
}

std::optional<Action> action(const Item& item, std::string_view kind) {
  for (const Action& a : item.actions) {
    if (a.kind == kind) return a;
  }
  return std::nullopt;
}

std::optional<std::string> actionURL(std::string_view href, std::string_view root) {
  if (href.empty() || hasControlOrSpace(href)) return std::nullopt;
  if (href.find("://") != std::string_view::npos || href.starts_with("//")) {
    const std::optional<std::string> own = originOf(root), theirs = originOf(href);
    if (!own || !theirs || *own != *theirs) return std::nullopt;
    return std::string(href);
  }
  std::string url(root);
  while (!url.empty() && url.back() == '/') url.pop_back();
  while (href.starts_with('/')) href.remove_prefix(1);
  return url + "/" + std::string(href);
}

std::string completionErrorMessage(std::string_view provider, int64_t status,
                                   std::string_view backendMessage) {
  std::string text =
      backendMessage.empty() ? "HTTP " + std::to_string(status) : std::string(backendMessage);
  std::string hint;
  if (status == 401 || status == 403) {
    hint =
        Loc::string("pipeline.hint.reconnect", "reconnecte le service avec `talewick connect %@`");
    hint =
        Loc::format(hint, {std::string(provider == "microsoft-calendar" ? "microsoft" : provider)});
  } else if (provider == "notion") {
    hint = Loc::string("pipeline.hint.notion",
                       "la page doit être partagée avec l'intégration et avoir une propriété "
                       "Statut ou une case à cocher");
  } else if (status == 404) {
    hint = Loc::string("pipeline.hint.gone", "l'élément n'existe plus chez le service");
  }
  if (!hint.empty()) text += " (" + hint + ")";
  return text;
}

std::set<std::string> stillSuppressed(const std::set<std::string>& suppressed,
                                      const std::vector<Item>& items) {
  std::set<std::string> out;
  for (const Item& item : items) {
    if (suppressed.count(item.id)) out.insert(item.id);
  }
  return out;
}

}  // namespace talewick::IntegrationPipeline
