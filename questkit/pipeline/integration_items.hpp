// What the program makes of the pipeline's items: remote events as day events of the calendar,
// tasks as side quests and kingdom obligations, the actions it may run on them, and the words a
// failed completion is shown with.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "game/day_event.hpp"
#include "kingdom/kingdom_snapshot.hpp"
#include "pipeline/integration_wire.hpp"
#include "support/date.hpp"

namespace talewick::IntegrationPipeline {

using Item = IntegrationWire::Item;
using Action = IntegrationWire::Action;

// Where the calendar grid places an item: remote events carry it.
inline constexpr std::string_view CALENDAR_PLACEMENT = "calendar.grid";
// How long a remote event without end or duration lasts.
inline constexpr double DEFAULT_EVENT_SECONDS = 2700;
// What prefixes the ids of remote events among the calendar's occurrences.
inline constexpr std::string_view ID_PREFIX = "integration:";

bool isCalendarItem(const Item& item);

// "integration:" + provider + ":" + the remote calendar's id (the provider alone when the item
// names none): the calendar a remote event sits on among the user's calendars.
std::string integrationCalendarID(const Item& item);

// The item as an occurrence of the calendar: start at `startsAt` (else `dueAt`), end at `endsAt`,
// else start + `durationMin`, else start + 45 minutes. An item that starts at local midnight with
// neither end nor duration (a day without a time) is all-day, to the next midnight. Needs a
// response when its own answer is "needsAction" or "tentative". Blue of its provider. nullopt for
// an item with neither start nor due date.
std::optional<DayEvent> asCalendarDayEvent(const Item& item);

// The calendar items worth showing in `interval`: placed on the calendar grid, "open" or
// "scheduled", overlapping the interval, on no calendar of `hiddenCalendarIDs`.
std::vector<Item> calendarItems(const std::vector<Item>& items, DateInterval interval,
                                const std::set<std::string>& hiddenCalendarIDs);

// Whether a quest forged from a calendar occurrence titled `title` at `start` is this item's
// event (the same title, the same start to the second).
bool matchesCalendarQuestContent(const Item& item, std::string_view title, Date start);

// Items offered as side quests: not calendar items, listed as side quests by the backend, none of
// `hidden` (done or deleted here).
std::vector<Item> sideQuestItems(const std::vector<Item>& items,
                                 const std::set<std::string>& hidden);

// The tracker items the kingdom places (not calendar items, none of `hidden`): with the deadlines
// when the backend put them in that realm, in progress when their status says they started.
std::vector<TrackerTicket> trackerTickets(const std::vector<Item>& items,
                                          const std::set<std::string>& hidden);

// The emoji standing for the backend's sprite name ("hourglass" → "⌛"); "•" for a name it does
// not know.
std::string_view spriteEmoji(std::string_view sprite);

// The item's first action of `kind` ("complete", "delete").
std::optional<Action> action(const Item& item, std::string_view kind);

// The address an action's `href` leads to under the backend's `root` ("https://host/base"): a
// relative href joined to the root, an absolute one used as is. nullopt for an absolute address
// on another origin (scheme, host and port) than the root's, and for an href that is not an
// address at all: an answer must never send the user's key elsewhere.
std::optional<std::string> actionURL(std::string_view href, std::string_view root);

// "Pipeline : " plus this text shows a failed completion or deletion: the backend's message, or
// "HTTP " and the status, with a hint of what to do for the provider when one helps.
std::string completionErrorMessage(std::string_view provider, int64_t status,
                                   std::string_view backendMessage);

// The ids of `suppressed` the answer still lists: the others are gone at the provider and need
// hiding no more.
std::set<std::string> stillSuppressed(const std::set<std::string>& suppressed,
                                      const std::vector<Item>& items);

}  // namespace talewick::IntegrationPipeline
