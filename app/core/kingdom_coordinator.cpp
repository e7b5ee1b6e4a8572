#include "core/kingdom_coordinator.hpp"

#include <algorithm>
#include <set>

#include "core/kingdom_cosmetic_progress.hpp"
#include "core/reminders_service.hpp"
#include "support/loc.hpp"

namespace talewick {

KingdomCoordinator::KingdomCoordinator(FilePort& files, const std::filesystem::path& folder,
                                       QuestStore& quests, CalendarEventStorePort* calendars,
                                       RemindersStorePort& reminders, HeroStore& hero, Clock clock)
    : quests_(quests),
      calendars_(calendars),
      reminders_(reminders),
      clock_(std::move(clock)),
      overrides_(files, folder / KingdomTerritoryOverrideStore::FILE_NAME),
      board_(files, folder / WorldQuestsStore::FILE_NAME, hero),
      journey_(files, folder / KingdomJourneyStore::FILE_NAME),
      chronicle_(files, folder / KingdomCampaignChronicleStore::FILE_NAME),
      campaigns_(files, folder / KingdomCampaignStore::FILE_NAME, chronicle_, hero),
      boss_(files, folder / KingdomWeeklyBossStore::FILE_NAME, hero),
      cosmetics_(files, folder / KingdomCosmeticsStore::FILE_NAME, hero),
      questsToken_(quests_.observe([this] { rebuildSnapshot(); })) {}

KingdomCoordinator::~KingdomCoordinator() { quests_.unobserve(questsToken_); }

void KingdomCoordinator::refreshAll(Date around) {
  readReminders(false);
  const DateInterval window = QuestStore::kingdomInterval(around);
  // The rebuild follows from the load (the coordinator observes the quest store).
  quests_.load(window, Loc::string("kingdom.window", "Le royaume"));
}

void KingdomCoordinator::refreshAuxiliary(KingdomRefreshQueue::Request request) {
  for (auto next = queue_.submit(request); next; next = queue_.finish()) {
    // Connected services (tracker, task lists) are re-read here too once they exist, every time
    // for `forceExternal`, on their own timers otherwise.
    readReminders(next->requestReminders);
    rebuildSnapshot();
  }
}

void KingdomCoordinator::readReminders(bool requestAccess) {
  remindersRead_ = true;
  const bool allowed = reminders_.hasFullAccess() || (requestAccess && reminders_.requestAccess());
  if (!allowed) return;
  openReminders_ = RemindersService(reminders_).openSideQuests(false);
}

std::map<std::string, std::string> KingdomCoordinator::calendarTitles() {
  std::map<std::string, std::string> titles;
  if (!calendars_ || quests_.source() != QuestSource::agenda) return titles;
  try {
    for (const CalendarInfo& info : calendars_->calendars()) titles[info.identifier] = info.title;
  } catch (const std::exception&) {
    // Without titles the calendar's name simply does not take part in the realm rules.
  }
  return titles;
}

void KingdomCoordinator::rebuildSnapshot() {
  // The board of the day is drawn once, from the whole kingdom window: a smaller window, or one
  // of another day, would draw it from part of the user's obligations.
  const Date now = clock_();
  const auto& loaded = quests_.currentInterval();
  if (quests_.source() == QuestSource::none || !loaded ||
      !loaded->contains(QuestStore::kingdomInterval(now))) {
    return;
  }
  if (!remindersRead_) readReminders(false);

  KingdomSnapshot::Sources sources;
  sources.now = now;
  if (quests_.source() == QuestSource::agenda) {  // never the demonstration day
    sources.timedQuests = quests_.quests();
    sources.allDayQuests = quests_.allDayQuests();
    sources.events = quests_.rawEvents();
  }
  sources.calendarTitlesByID = calendarTitles();
  sources.overrides = overrides_.overrides();
  sources.openReminders = openReminders_;
  if (taskFiles_) sources.vaultTasks = taskFiles_();
  if (trackerTickets_) tickets_ = trackerTickets_();
  sources.trackerTickets = tickets_;
  sources.todaysBoard = board_.board();
  if (expedition_) sources.expedition = expedition_();

  View view;
  view.snapshot = KingdomSnapshot::build(sources, &classifications_);
  view.capacity = Capacity::assess(view.snapshot.load);
  std::vector<Payment> payments =
      board_.refresh(view.snapshot.dayKey, view.snapshot.candidates, view.snapshot.live,
                     Capacity::worldQuestTarget(view.capacity.level));
  const std::vector<Payment> campaignPayments = campaigns_.evaluate(
      campaignLive(now), view.snapshot.dayKey, now,
      [&](const Campaigns::Anchor& anchor) { return anchorItems(anchor, now); });
  payments.insert(payments.end(), campaignPayments.begin(), campaignPayments.end());
  const std::vector<Payment> bossPayments = fightWeeklyBoss(view.snapshot, now);
  payments.insert(payments.end(), bossPayments.begin(), bossPayments.end());
  // No guild season is counted until the guild keeps its chronicle here.
  const std::vector<Payment> unlocks = cosmetics_.observe(
      cosmeticProgress(boss_.boss(), boss_.chronicle(), chronicle_.entries(), 0));
  payments.insert(payments.end(), unlocks.begin(), unlocks.end());
  view.board = board_.board();
  view.journey = journey_.resolve(view.snapshot.journeyCandidates, view.snapshot.dayKey);
  view.secondaries = Journey::secondaries(view.board, SECONDARIES);
  view.offers = gatherPeople(now);
  view_ = std::move(view);
  observers_.notify(payments);
}

std::optional<std::vector<std::string>> KingdomCoordinator::anchorItems(
    const Campaigns::Anchor& anchor, Date now) {
  using Kind = Campaigns::Anchor::Kind;
  std::vector<std::string> items;
  if (anchor.kind == Kind::calendar) {
    if (!calendarTitles().count(anchor.value)) return std::nullopt;
    if (quests_.source() != QuestSource::agenda) return items;
    for (const DayEvent& e : quests_.rawEvents()) {
      if (e.calendarID == anchor.value && now < e.endDate) items.push_back(e.id);
    }
    return items;
  }
  if (anchor.kind == Kind::unknown &&
      anchor.unknownKind == KingdomCampaignStore::REMINDERS_LIST_ANCHOR) {
    if (!remindersRead_) return std::nullopt;
    for (const SideQuest& r : openReminders_) {
      if (r.listTitle == anchor.value) items.push_back(r.id);
    }
    return items;
  }
  if (isTrackerAnchor(anchor)) {
    // Only a whole list can tell that nothing is left of a project.
    if (!tickets_.complete) return std::nullopt;
    for (const TrackerTicket& t : tickets_.open) {
      if (anchorHolds(anchor, t)) items.push_back(t.id);
    }
    return items;
  }
  return std::nullopt;  // task files are read by their own integration
}

bool KingdomCoordinator::isTrackerAnchor(const Campaigns::Anchor& anchor) {
  using Kind = Campaigns::Anchor::Kind;
  return anchor.kind == Kind::linearProject || anchor.kind == Kind::linearLabel ||
         anchor.unknownKind == KingdomCampaignStore::TRACKER_PROJECT_ANCHOR ||
         anchor.unknownKind == KingdomCampaignStore::TRACKER_LABEL_ANCHOR;
}

bool KingdomCoordinator::anchorHolds(const Campaigns::Anchor& anchor, const TrackerTicket& t) {
  using Kind = Campaigns::Anchor::Kind;
  const bool linear = anchor.kind == Kind::linearProject || anchor.kind == Kind::linearLabel;
  if (linear && t.provider != "linear") return false;
  if (anchor.kind == Kind::linearProject ||
      anchor.unknownKind == KingdomCampaignStore::TRACKER_PROJECT_ANCHOR) {
    return t.project == anchor.value;
  }
  return std::find(t.labels.begin(), t.labels.end(), anchor.value) != t.labels.end();
}

Campaigns::LiveState KingdomCoordinator::campaignLive(Date now) const {
  Campaigns::LiveState live;
  if (quests_.source() == QuestSource::agenda) {
    for (const DayEvent& e : quests_.rawEvents()) {
      if (!(now < e.endDate)) live.calendarEventsPassed.push_back(e.id);
    }
  }
  // A ticket of a chapter's baseline that left a whole list was closed (or deleted).
  if (tickets_.complete) {
    std::set<std::string> open;
    for (const TrackerTicket& t : tickets_.open) open.insert(t.id);
    for (const Campaigns::Campaign& c : campaigns_.campaigns()) {
      const Campaigns::Chapter* chapter = c.activeChapter();
      if (!chapter || !isTrackerAnchor(chapter->anchor)) continue;
      for (const std::string& id : chapter->baselineIDs) {
        if (!open.count(id)) live.ticketsDone.push_back(id);
      }
    }
  }
  if (!remindersRead_) return live;
  // A reminder of a chapter's baseline that is no longer open was done (or deleted).
  for (const Campaigns::Campaign& c : campaigns_.campaigns()) {
    const Campaigns::Chapter* chapter = c.activeChapter();
    if (!chapter || chapter->anchor.unknownKind != KingdomCampaignStore::REMINDERS_LIST_ANCHOR)
      continue;
    for (const std::string& id : chapter->baselineIDs) {
      const bool open = std::any_of(openReminders_.begin(), openReminders_.end(),
                                    [&](const SideQuest& r) { return r.id == id; });
      if (!open) live.remindersGone.push_back(id);
    }
  }
  return live;
}

bool KingdomCoordinator::chooseMain(const std::string& id) {
  if (!view_) return false;
  if (!journey_.choose(id, view_->snapshot.journeyCandidates, view_->snapshot.dayKey)) {
    return false;
  }
  rebuildSnapshot();
  return true;
}

std::vector<KingdomCoordinator::Payment> KingdomCoordinator::fightWeeklyBoss(
    const KingdomSnapshot::Snapshot& snapshot, Date now) {
  std::vector<KingdomWeeklyBossObservation::RiskItem> risks;
  std::vector<std::string> riskIDs;
  for (const KingdomItem& item : KingdomSnapshot::overdueItems(snapshot)) {
    risks.push_back({item.id, item.title});
    riskIDs.push_back(item.id);
  }
  const std::vector<Campaigns::Campaign>& campaigns = campaigns_.campaigns();
  return boss_.refresh(
      WeeklyBoss::weekKeyOfDay(snapshot.dayKey), now,
      [&] {
        return KingdomWeeklyBossObservation::define(
            campaigns, risks, Loc::string("kingdom.weekboss.riskTitle", "L'Hydre des retards"));
      },
      [&](const WeeklyBoss::Boss& boss) {
        return KingdomWeeklyBossObservation::completedIDs(boss, campaigns, riskIDs);
      });
}

std::vector<QuestOffers::Offer> KingdomCoordinator::gatherPeople(Date now) {
  if (quests_.source() != QuestSource::agenda) return {};  // never the demonstration day
  const std::vector<DayEvent>& events = quests_.rawEvents();
  if (inhabitants_) {
    const std::vector<std::string> own = preferences_
                                             ? InhabitantContributions::ownAddresses(*preferences_)
                                             : std::vector<std::string>{};
    inhabitants_->meet(InhabitantContributions::fromEvents(events, now, own));
  }
  // Every occurrence of a series carries the series' id: the series is offered once.
  std::vector<QuestOffers::InviteCandidate> invites;
  std::set<std::string> invited;
  for (const DayEvent& e : events) {
    if (!e.needsResponse || !(now < e.endDate) || !invited.insert(e.id).second) continue;
    invites.push_back({e.id, e.title, e.organizerLabel, e.organizerEmail, true});
  }
  std::set<std::string> seen;
  if (preferences_) {
    for (std::string& id : preferences_->stringList(OFFERS_SEEN_KEY)) seen.insert(std::move(id));
  }
  return QuestOffers::pending(invites, {}, seen);
}

void KingdomCoordinator::markOffersSeen() {
  if (!preferences_ || !view_) return;
  Json ids = Json::array();
  for (const QuestOffers::Offer& o : view_->offers) ids.push_back(o.id);
  if (preferences_->value(OFFERS_SEEN_KEY) == std::optional(ids)) return;
  preferences_->set(OFFERS_SEEN_KEY, std::move(ids));
}

}  // namespace talewick
