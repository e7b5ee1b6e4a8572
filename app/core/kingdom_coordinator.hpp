// The kingdom refresh: gathers the loaded quests, the open reminders and the territory pins into
// one snapshot, then lets the day's board, the journey, the campaigns and the week's boss judge
// it, paying the hero through its receipts. Holds the kingdom's stores for the life of the
// program.
//
// Everything runs on the main loop. Refreshes that re-read the reminders go through a
// single-slot queue: one runs, at most one waits, later requests fold into the waiting one.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/calendar_port.hpp"
#include "core/clock.hpp"
#include "core/file_port.hpp"
#include "core/hero_store.hpp"
#include "core/inhabitant_contributions.hpp"
#include "core/inhabitant_store.hpp"
#include "core/kingdom_campaign_chronicle_store.hpp"
#include "core/kingdom_campaign_store.hpp"
#include "core/kingdom_cosmetics_store.hpp"
#include "core/kingdom_journey_store.hpp"
#include "core/kingdom_refresh_queue.hpp"
#include "core/kingdom_territory_override_store.hpp"
#include "core/kingdom_weekly_boss_store.hpp"
#include "core/observers.hpp"
#include "core/preferences.hpp"
#include "core/quest_store.hpp"
#include "core/reminders_port.hpp"
#include "core/world_quests_store.hpp"
#include "kingdom/kingdom_snapshot.hpp"
#include "kingdom/quest_offers.hpp"

namespace talewick {

class KingdomCoordinator {
 public:
  using Payment = WorldQuestsStore::Payment;

  // What the last refresh found.
  struct View {
    KingdomSnapshot::Snapshot snapshot;
    Capacity::Assessment capacity;
    std::optional<WorldQuests::DailyBoard> board;
    Journey::Resolution journey;
    std::vector<WorldQuests::Objective> secondaries;
    // The invitations still awaiting the user's answer (QuestOffers::pending).
    std::vector<QuestOffers::Offer> offers;
  };

  // The main quest shows at most this many side objectives under it.
  static constexpr int64_t SECONDARIES = 3;
  // The preference listing the ids of the offers the user has seen.
  static constexpr const char* OFFERS_SEEN_KEY = "questOffers.seen";

  // The state files live in `folder` (beside the hero's document), reached through `files`; a
  // refresh whose state cannot be saved throws FileError. Every reference outlives the
  // coordinator; `calendars` (null when the calendar is off limits) gives the calendar titles the
  // realm rules read. The coordinator rebuilds after every load of `quests` that covers the
  // kingdom's window of the day.
  KingdomCoordinator(FilePort& files, const std::filesystem::path& folder, QuestStore& quests,
                     CalendarEventStorePort* calendars, RemindersStorePort& reminders,
                     HeroStore& hero, Clock clock);
  ~KingdomCoordinator();
  KingdomCoordinator(const KingdomCoordinator&) = delete;
  KingdomCoordinator& operator=(const KingdomCoordinator&) = delete;

  KingdomTerritoryOverrideStore& overrides() { return overrides_; }
  KingdomCampaignStore& campaigns() { return campaigns_; }
  KingdomCampaignChronicleStore& campaignChronicle() { return chronicle_; }
  KingdomWeeklyBossStore& weeklyBoss() { return boss_; }
  KingdomCosmeticsStore& cosmetics() { return cosmetics_; }
  const std::optional<View>& view() const { return view_; }

  // Loads the kingdom's window around `around`, re-reads the reminders, and rebuilds.
  void refreshAll(Date around);
  // Re-reads the reminders (asking for access first when `requestReminders`), then rebuilds.
  // A request made while one runs waits for it.
  void refreshAuxiliary(KingdomRefreshQueue::Request request);
  // Rebuilds from what is loaded now: the quest store's window and the reminders last read.
  // Nothing happens until the kingdom's window of the day is loaded: the day's board is drawn
  // once, and it must be drawn from all of the user's obligations.
  void rebuildSnapshot();

  // Makes the journey candidate `id` the day's main quest and rebuilds; false when today offers
  // no such candidate.
  bool chooseMain(const std::string& id);

  // The open items of a campaign anchor in what is loaded now (a calendar's occurrences still to
  // come, a reminders list's open reminders); nullopt when the anchor is gone or cannot be read
  // here.
  std::optional<std::vector<std::string>> anchorItems(const Campaigns::Anchor& anchor, Date now);

  // Where the open tasks of the notes folder come from (read at every rebuild); none by default.
  void readTaskFiles(std::function<std::vector<VaultSideQuest>()> source) {
    taskFiles_ = std::move(source);
  }

  // Where the open items of connected trackers come from (read at every rebuild); none by default.
  void readTrackerTickets(std::function<TrackerTickets()> source) {
    trackerTickets_ = std::move(source);
  }

  // Where the expedition kept comes from (read at every rebuild); none by default.
  void readExpedition(std::function<std::optional<ExpeditionState>()> source) {
    expedition_ = std::move(source);
  }

  // The people of the calendar: each rebuild from the agenda records the people of the meetings
  // that have ended in `inhabitants` (the user's own addresses read from `preferences`), and the
  // offers read which ones the user has seen from `preferences`. Either may be null (no people
  // recorded; every offer new). Both outlive the coordinator.
  void meetPeople(InhabitantStore* inhabitants, Preferences* preferences) {
    inhabitants_ = inhabitants;
    preferences_ = preferences;
  }
  // Records every offer of the last rebuild as seen, and forgets those no longer offered. Throws
  // std::system_error when the preferences cannot be written.
  void markOffersSeen();

  // `observer` runs after every rebuild with the payments it made (often none).
  int observe(std::function<void(const std::vector<Payment>&)> observer) {
    return observers_.add(std::move(observer));
  }
  void unobserve(int token) { observers_.remove(token); }

 private:
  void readReminders(bool requestAccess);
  // Which items of the campaigns' anchors are done or gone.
  Campaigns::LiveState campaignLive(Date now) const;
  // An anchor on a tracker's project or label, and whether it holds `ticket`.
  static bool isTrackerAnchor(const Campaigns::Anchor& anchor);
  static bool anchorHolds(const Campaigns::Anchor& anchor, const TrackerTicket& ticket);
  // Raises, damages and pays the week's boss from what the snapshot holds overdue.
  std::vector<Payment> fightWeeklyBoss(const KingdomSnapshot::Snapshot& snapshot, Date now);
  std::map<std::string, std::string> calendarTitles();
  // Meets the people of the loaded occurrences and answers the pending offers.
  std::vector<QuestOffers::Offer> gatherPeople(Date now);

  QuestStore& quests_;
  CalendarEventStorePort* calendars_;
  RemindersStorePort& reminders_;
  Clock clock_;
  KingdomTerritoryOverrideStore overrides_;
  WorldQuestsStore board_;
  KingdomJourneyStore journey_;
  KingdomCampaignChronicleStore chronicle_;
  KingdomCampaignStore campaigns_;
  KingdomWeeklyBossStore boss_;
  KingdomCosmeticsStore cosmetics_;
  KingdomRefreshQueue queue_;
  std::function<std::vector<VaultSideQuest>()> taskFiles_;
  std::function<TrackerTickets()> trackerTickets_;
  std::function<std::optional<ExpeditionState>()> expedition_;
  // The tracker tickets of the last rebuild, for the campaigns' anchors.
  TrackerTickets tickets_;
  // The reminders last read; kept when they cannot be read, so that a folder out of reach for a
  // moment does not look like every reminder ticked at once.
  std::vector<SideQuest> openReminders_;
  bool remindersRead_ = false;
  KingdomSnapshot::ClassificationCache classifications_;
  std::optional<View> view_;
  ObserverList<const std::vector<Payment>&> observers_;
  InhabitantStore* inhabitants_ = nullptr;
  Preferences* preferences_ = nullptr;
  int questsToken_;
};

}  // namespace talewick
