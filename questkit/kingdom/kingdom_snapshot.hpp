// The kingdom at one moment: the user's obligations sorted into the six realms, the weight of the
// day, and what the day's board and journey may draw from. Built from plain values on every
// kingdom refresh; the stores then judge the board and the main quest against it.
//
// What counts as what (by the local day of `now`):
// - A reminder is due today when its due date falls on today, whatever its time; overdue when
//   its due date falls on an earlier day. So a reminder due at 9:00 stays "due today" until
//   midnight, and the day's board does not shift under the user during the day.
// - A task of the notes folder lands in the realms by its words (the family's, unless it names a
//   delivery or a ticket); it is overdue like a reminder, a board candidate while it remains for
//   today, and done once it is no longer open.
// - A reminder is done when it is no longer open (ticked, cancelled or deleted: gone from the
//   to-do list either way).
// - An invitation is pending while its occurrence needs the user's answer. Only invitations to
//   occurrences that have not ended are offered; one that is answered, or deleted, is no longer
//   pending.
// - A deadline item is an open reminder whose text names a delivery ("rendu", "release", "demo"…);
//   it is overdue on the same terms as a reminder, and then counts as an overdue deadline rather
//   than an overdue reminder. Calendar deadlines are shown in their realm; they have no "done"
//   state of their own, so they are never overdue.
// - The day's load counts today's timed occurrences and the reminders due today; its busy
//   minutes are those of the day's load measure (the waking window).
//
// - A tracker ticket (an open item of a connected tracker) lands in the tickets realm, or in the
//   deadlines realm when its service placed it there; it is overdue once its due day has passed,
//   and a main-quest candidate (in progress, else from the backlog; an overdue deadline first).
//
// Sources that arrive with later services (guild factions, campaign steps, expeditions) are the
// empty fields of Sources: fill them and they flow into the realms, candidates and load with no
// other change.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "game/day_event.hpp"
#include "game/quest.hpp"
#include "game/side_quest.hpp"
#include "kingdom/capacity.hpp"
#include "kingdom/day_load_engine.hpp"
#include "kingdom/expedition.hpp"
#include "kingdom/journey.hpp"
#include "kingdom/kingdom_realm.hpp"
#include "kingdom/kingdom_realm_classifier.hpp"
#include "kingdom/territory_overrides.hpp"
#include "kingdom/world_quests.hpp"
#include "support/json.hpp"
#include "text/vault_tasks.hpp"

namespace talewick {

// One obligation as a realm lists it.
struct KingdomItem {
  enum class Source { quest, reminder, vaultTask, ticket };
  Source source = Source::quest;
  std::string id;            // the quest, reminder, task-file task or tracker item id
  std::string title;         // what the user wrote
  std::string name;          // the quest's epic name; the title again for a reminder
  std::optional<Date> date;  // the occurrence's start, or the reminder's due date
  bool allDay = false;       // an all-day occurrence, or a reminder due on a day without a time
  bool pinned = false;       // placed by a territory override
  bool overdue = false;      // a reminder past its due day
  bool operator==(const KingdomItem&) const = default;
};

template <>
struct EnumTraits<KingdomItem::Source> {
  static constexpr std::array<std::string_view, 4> names{"quest", "reminder", "vaultTask",
                                                         "ticket"};
};

// One open item of a connected work tracker, as the kingdom reads it.
struct TrackerTicket {
  std::string id;  // the integration pipeline's id
  std::string title;
  std::optional<Date> due;
  bool deadline = false;    // placed with the deadlines by its service
  bool inProgress = false;  // started, as opposed to waiting in the backlog
  int64_t xp = 0;
  int64_t gold = 0;
  std::string provider;  // "todoist", "linear"…
  std::string project;   // "" when the tracker files it nowhere
  std::vector<std::string> labels;
  bool operator==(const TrackerTicket&) const = default;
};

// The open items of connected trackers, and whether the list is whole. A tracker that did not
// answer leaves its items out without their being done: only a whole list tells that a ticket
// missing from it was closed.
struct TrackerTickets {
  std::vector<TrackerTicket> open;
  bool complete = false;
  bool operator==(const TrackerTickets&) const = default;
};

namespace KingdomSnapshot {

struct Sources {
  Date now;
  // The loaded window: its quests and the occurrences they were forged from.
  std::span<const Quest> timedQuests;
  std::span<const Quest> allDayQuests;
  std::span<const DayEvent> events;
  std::map<std::string, std::string> calendarTitlesByID;
  TerritoryOverrides overrides;
  std::vector<SideQuest> openReminders;
  // The open tasks of the notes folder.
  std::vector<VaultSideQuest> vaultTasks;
  TrackerTickets trackerTickets;
  // Today's stored board, if any: its baselines tell which reminders were since ticked.
  std::optional<WorldQuests::DailyBoard> todaysBoard;
  // The expedition kept (under way or over), if any: one started today adds to the day's load.
  std::optional<ExpeditionState> expedition;
};

struct Snapshot {
  std::string dayKey;
  std::array<std::vector<KingdomItem>, 6> realms;  // indexed by KingdomRealm
  // The realms forced by overrides, by occurrence key (KingdomRealmClassifier::occurrenceKey).
  std::map<std::string, KingdomRealm> forcedRealms;
  DayLoad dayLoad;
  Capacity::Load load;
  WorldQuests::Candidates candidates;
  WorldQuests::LiveState live;
  std::vector<Journey::Candidate> journeyCandidates;

  const std::vector<KingdomItem>& realm(KingdomRealm r) const {
    return realms[static_cast<size_t>(r)];
  }
};

// What classifying each occurrence found, kept from one build to the next so that a refresh
// reads again only the quests whose words changed (the daemon rebuilds after every reload).
// An entry stands while a hash of everything the realm rules read from the occurrence is the
// same; entries of occurrences gone from the window are dropped at the end of each build.
struct ClassificationCache {
  struct Entry {
    uint64_t inputs = 0;                           // the hash of what the rules read
    KingdomRealmClassifier::Membership heuristic;  // the flags without any pin
    bool seen = false;                             // met during the build under way
  };
  std::unordered_map<uint64_t, Entry> entries;  // by occurrence (quest id and start)
};

Snapshot build(const Sources& sources, ClassificationCache* cache = nullptr);

// The overdue items of every realm, each once: the deadlines first (the week's most pressing
// risks), then the other realms in their order.
std::vector<KingdomItem> overdueItems(const Snapshot& snapshot);

}  // namespace KingdomSnapshot

void to_json(Json& j, const KingdomItem& v);

}  // namespace talewick
