#include "kingdom/kingdom_snapshot.hpp"

#include <algorithm>
#include <cstring>
#include <set>
#include <unordered_map>

#include "kingdom/kingdom_realm_classifier.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"

namespace talewick {
namespace KingdomSnapshot {
namespace {

namespace Classifier = KingdomRealmClassifier;

// Quests carry "quest_" + their occurrence's id, and the occurrences of a series share that id:
// the start tells them apart. The start's bytes keep the key exact.
std::string occurrenceLookupKey(std::string_view questID, Date start) {
  std::string key(questID);
  char bytes[sizeof(double)];
  std::memcpy(bytes, &start.seconds, sizeof bytes);
  key.append(bytes, sizeof bytes);
  return key;
}

// The board's realm of a calendar quest: its first flag in the order family, tickets, deadlines,
// personal; personal when none is set (meetings and invitations are the hero's own affairs).
WorldQuests::Realm boardRealm(const Classifier::Membership& m) {
  if (m.family) return WorldQuests::Realm::family;
  if (m.ticket) return WorldQuests::Realm::tickets;
  if (m.deadline) return WorldQuests::Realm::deadlines;
  return WorldQuests::Realm::personal;
}

std::string reminderText(const SideQuest& r) {
  std::string joined = r.title;
  for (const auto* part : {&r.notes, &r.listTitle}) {
    if (*part) joined.append(" ").append(**part);
  }
  return text::lower(text::fold(joined));
}

struct Day {
  Date start, end;  // [start, end)
  bool holds(Date d) const { return d.seconds >= start.seconds && d.seconds < end.seconds; }
};

class Builder {
 public:
  explicit Builder(const Sources& sources) : s_(sources) {
    const Date start = LocalCalendar::startOfDay(s_.now);
    day_ = {start, LocalCalendar::startOfDay(LocalCalendar::addingDays(start, 1))};
    out_.dayKey = LocalCalendar::dayKey(s_.now);
  }

  Snapshot build() {
    indexEvents();
    for (const Quest& q : s_.timedQuests) placeQuest(q);
    for (const Quest& q : s_.allDayQuests) placeQuest(q);
    addInvitations();
    for (const SideQuest& r : s_.openReminders) placeReminder(r);
    judgeTickedReminders();

    for (auto& items : out_.realms) {
      std::stable_sort(items.begin(), items.end(), [](const KingdomItem& a, const KingdomItem& b) {
        if (a.date.has_value() != b.date.has_value()) return a.date.has_value();
        return a.date && a.date->seconds < b.date->seconds;
      });
    }
    out_.dayLoad = DayLoadEngine::compute(todaysTimedEvents_, s_.now, s_.now, std::nullopt);
    out_.load.busyMinutes = out_.dayLoad.busyMinutes;
    out_.load.expeditionsToday = s_.expeditionsToday;
    out_.live.overdueReminderCount = out_.candidates.overdueReminderCount;
    out_.live.overdueDeadlineCount = out_.candidates.overdueDeadlineCount;
    return std::move(out_);
  }

 private:
  void indexEvents() {
    events_.reserve(s_.events.size());
    for (const DayEvent& e : s_.events) {
      events_.emplace(occurrenceLookupKey("quest_" + e.id, e.startDate), &e);
    }
  }

  void list(KingdomRealm realm, KingdomItem item) {
    out_.realms[static_cast<size_t>(realm)].push_back(std::move(item));
  }

  void placeQuest(const Quest& q) {
    const auto found = events_.find(occurrenceLookupKey(q.id, q.startDate));
    const DayEvent* e = found == events_.end() ? nullptr : found->second;
    const std::string text = Classifier::searchableText(q, e, s_.calendarTitlesByID);
    static const std::optional<std::string> kNoCalendar;
    const auto forced = s_.overrides.forcedRealm(q.id, e ? e->calendarID : kNoCalendar);
    const Classifier::Membership m = Classifier::membership(q, e, text, forced);
    if (forced) out_.forcedRealms[Classifier::occurrenceKey(q)] = *forced;

    const KingdomItem item{KingdomItem::Source::quest, q.id, q.rawTitle, q.name, q.startDate,
                           e && e->allDay, forced.has_value(), false};
    if (m.family) list(KingdomRealm::family, item);
    if (m.personal) list(KingdomRealm::personal, item);
    if (m.ticket) list(KingdomRealm::tickets, item);
    if (m.deadline) list(KingdomRealm::deadlines, item);

    if (e && e->needsResponse) noteInvitation(*e);
    if (!e || e->allDay) return;
    if (e->startDate.seconds < day_.end.seconds && e->endDate.seconds > day_.start.seconds) {
      todaysTimedEvents_.push_back(*e);
    }
    if (!day_.holds(q.startDate)) return;
    ++out_.load.eventCount;
    if (q.startDate.seconds > s_.now.seconds) {
      out_.journeyCandidates.push_back({"quest:" + Classifier::occurrenceKey(q), boardRealm(m),
                                        Journey::CandidateKind::calendarUpcoming, q.rawTitle,
                                        q.startDate, q.baseXp, 0});
    }
  }

  // An invitation stays pending as long as any of its occurrences asks for an answer; it is
  // offered while one of them is still to come, due at the first of those.
  void noteInvitation(const DayEvent& e) {
    pendingInvitations_.insert(e.id);
    if (e.endDate.seconds <= s_.now.seconds) return;
    auto [it, added] = upcomingInvitations_.try_emplace(e.id, &e);
    if (!added && e.startDate.seconds < it->second->startDate.seconds) it->second = &e;
  }

  void addInvitations() {
    out_.live.stillPendingInviteIDs.assign(pendingInvitations_.begin(), pendingInvitations_.end());
    const WorldQuests::Reward reward =
        WorldQuests::reward(WorldQuests::ObjectiveKind::invitations, 1);
    for (const auto& [id, e] : upcomingInvitations_) {
      out_.candidates.pendingInviteIDs.push_back(id);
      out_.journeyCandidates.push_back({"invite:" + id, WorldQuests::Realm::personal,
                                        Journey::CandidateKind::invitation, e->title, e->startDate,
                                        reward.xp, reward.gold});
    }
  }

  void placeReminder(const SideQuest& r) {
    openReminders_.insert(r.id);
    const std::string text = reminderText(r);
    const bool deadline = Classifier::hasDeadlineWord(text);
    const bool overdue = r.due && r.due->seconds < day_.start.seconds;
    const KingdomItem item{KingdomItem::Source::reminder, r.id, r.title, r.title, r.due,
                           r.due && !r.dueHasTime, false, overdue};
    list(KingdomRealm::reminders, item);
    if (Classifier::isTicketQuest(text)) list(KingdomRealm::tickets, item);
    if (deadline) list(KingdomRealm::deadlines, item);

    if (overdue && deadline) {
      ++out_.candidates.overdueDeadlineCount;
      const WorldQuests::Reward reward =
          WorldQuests::reward(WorldQuests::ObjectiveKind::deadlineClear, 0);
      out_.journeyCandidates.push_back({"deadline:" + r.id, WorldQuests::Realm::deadlines,
                                        Journey::CandidateKind::overdueDeadline, r.title, r.due,
                                        reward.xp, reward.gold});
    } else if (overdue) {
      ++out_.candidates.overdueReminderCount;
    }
    if (r.due && day_.holds(*r.due)) {
      ++out_.load.eventCount;
      out_.candidates.dueTodayReminderIDs.push_back(r.id);
      const SideQuests::Reward reward = SideQuests::reward(r.priority);
      out_.journeyCandidates.push_back({"reminder:" + r.id, WorldQuests::Realm::reminders,
                                        Journey::CandidateKind::reminderDueToday, r.title, r.due,
                                        reward.xp, reward.gold});
    }
  }

  // The board's reminders that are no longer open were ticked (or dropped) since it was drawn.
  void judgeTickedReminders() {
    out_.load.overdueDeadlines = out_.candidates.overdueDeadlineCount;
    out_.load.overdueReminders = out_.candidates.overdueReminderCount;
    if (!s_.todaysBoard || s_.todaysBoard->dayKey != out_.dayKey) return;
    std::set<std::string> ticked;
    for (const WorldQuests::Objective& o : s_.todaysBoard->objectives) {
      if (o.kind != WorldQuests::ObjectiveKind::remindersDone) continue;
      for (const std::string& id : o.baselineIDs) {
        if (!openReminders_.count(id)) ticked.insert(id);
      }
    }
    out_.live.completedReminderIDs.assign(ticked.begin(), ticked.end());
  }

  const Sources& s_;
  Day day_;
  Snapshot out_;
  std::unordered_map<std::string, const DayEvent*> events_;
  std::vector<DayEvent> todaysTimedEvents_;
  std::set<std::string> pendingInvitations_;
  std::map<std::string, const DayEvent*> upcomingInvitations_;
  std::set<std::string> openReminders_;
};

}  // namespace

Snapshot build(const Sources& sources) { return Builder(sources).build(); }

}  // namespace KingdomSnapshot

void to_json(Json& j, const KingdomItem& v) {
  using json_coding::Field;
  static const auto fields =
      std::tuple{Field{"source", &KingdomItem::source}, Field{"id", &KingdomItem::id},
                 Field{"title", &KingdomItem::title},   Field{"name", &KingdomItem::name},
                 Field{"date", &KingdomItem::date},     Field{"allDay", &KingdomItem::allDay},
                 Field{"pinned", &KingdomItem::pinned},
                 Field{"overdue", &KingdomItem::overdue}};
  json_coding::writeFields(j, v, fields);
}

}  // namespace talewick
