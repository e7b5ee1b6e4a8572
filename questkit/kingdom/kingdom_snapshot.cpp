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

// FNV-1a, 64 bits, fed piece by piece; each piece ends with a separator so that ("ab", "c") and
// ("a", "bc") differ.
class Hasher {
 public:
  Hasher& text(std::string_view bytes) {
    for (unsigned char c : bytes) mix(c);
    mix(0xFF);  // never a byte of UTF-8 text
    return *this;
  }
  Hasher& optionalText(const std::optional<std::string>& t) {
    return t ? text(std::string_view(*t)) : text(std::string_view("\xFE"));
  }
  Hasher& number(double n) {
    char bytes[sizeof n];
    std::memcpy(bytes, &n, sizeof bytes);
    return text(std::string_view(bytes, sizeof bytes));
  }
  uint64_t value() const { return h_; }

 private:
  void mix(unsigned char c) { h_ = (h_ ^ c) * 0x100000001B3ull; }
  uint64_t h_ = 0xCBF29CE484222325ull;
};

// Quests carry "quest_" + their occurrence's id, and the occurrences of a series share that id:
// the start tells them apart.
uint64_t occurrenceHash(std::string_view id, Date start) {
  return Hasher().text(id).number(start.seconds).value();
}

bool isOccurrenceOf(const DayEvent& e, const Quest& q) {
  constexpr std::string_view prefix = "quest_";
  return q.startDate.seconds == e.startDate.seconds && q.id.size() == prefix.size() + e.id.size() &&
         q.id.compare(0, prefix.size(), prefix) == 0 &&
         q.id.compare(prefix.size(), std::string::npos, e.id) == 0;
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
  Builder(const Sources& sources, ClassificationCache* cache) : s_(sources), cache_(cache) {
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
    for (const VaultSideQuest& t : s_.vaultTasks) placeVaultTask(t);
    for (const TrackerTicket& t : s_.trackerTickets.open) placeTicket(t);
    judgeTickedReminders();
    judgeDoneVaultTasks();
    judgeMovedTickets();
    // Forget the occurrences this build did not meet; the others wait for the next one.
    if (cache_) {
      auto& entries = cache_->entries;
      for (auto it = entries.begin(); it != entries.end();) {
        if (!it->second.seen) {
          it = entries.erase(it);
          continue;
        }
        it->second.seen = false;
        ++it;
      }
    }

    for (auto& items : out_.realms) {
      std::stable_sort(items.begin(), items.end(), [](const KingdomItem& a, const KingdomItem& b) {
        if (a.date.has_value() != b.date.has_value()) return a.date.has_value();
        return a.date && a.date->seconds < b.date->seconds;
      });
    }
    out_.dayLoad = DayLoadEngine::compute(todaysTimedEvents_, s_.now, s_.now, std::nullopt);
    out_.load.busyMinutes = out_.dayLoad.busyMinutes;
    out_.load.expeditionsToday =
        s_.expedition && LocalCalendar::dayKey(s_.expedition->startedAt) == out_.dayKey ? 1 : 0;
    out_.live.overdueReminderCount = out_.candidates.overdueReminderCount;
    out_.live.overdueDeadlineCount = out_.candidates.overdueDeadlineCount;
    return std::move(out_);
  }

 private:
  void indexEvents() {
    events_.reserve(s_.events.size());
    for (const DayEvent& e : s_.events) {
      events_.emplace(occurrenceHash(e.id, e.startDate), &e);
    }
  }

  const DayEvent* eventOf(const Quest& q) const {
    constexpr std::string_view prefix = "quest_";
    if (q.id.rfind(prefix, 0) != 0) return nullptr;
    const std::string_view id = std::string_view(q.id).substr(prefix.size());
    const auto [first, last] = events_.equal_range(occurrenceHash(id, q.startDate));
    for (auto it = first; it != last; ++it) {
      if (isOccurrenceOf(*it->second, q)) return it->second;
    }
    return nullptr;
  }

  // The flags the words give, from the cache when nothing the rules read has changed.
  Classifier::Membership heuristicMembership(const Quest& q, const DayEvent* e) {
    Hasher inputs;
    inputs.text(q.rawTitle).text(q.name).optionalText(q.biome).optionalText(q.biomeKey);
    inputs.text(q.archetypeId);
    inputs.number(static_cast<double>(q.threat.tier));
    if (e) {
      inputs.optionalText(e->location).optionalText(e->notes).optionalText(e->url);
      inputs.number(static_cast<double>(e->attendees));
      const auto title =
          e->calendarID ? s_.calendarTitlesByID.find(*e->calendarID) : s_.calendarTitlesByID.end();
      inputs.optionalText(title == s_.calendarTitlesByID.end()
                              ? std::optional<std::string>{}
                              : std::optional<std::string>{title->second});
    }
    ClassificationCache::Entry* entry = nullptr;
    if (cache_) {
      entry = &cache_->entries[occurrenceHash(q.id, q.startDate)];
      entry->seen = true;
      if (entry->inputs == inputs.value()) return entry->heuristic;
    }
    const std::string text = Classifier::searchableText(q, e, s_.calendarTitlesByID);
    const Classifier::Membership m = Classifier::membership(q, e, text, std::nullopt);
    if (entry) *entry = {inputs.value(), m, true};
    return m;
  }

  void list(KingdomRealm realm, KingdomItem item) {
    out_.realms[static_cast<size_t>(realm)].push_back(std::move(item));
  }

  void placeQuest(const Quest& q) {
    const DayEvent* e = eventOf(q);
    static const std::optional<std::string> kNoCalendar;
    const auto forced = s_.overrides.forcedRealm(q.id, e ? e->calendarID : kNoCalendar);
    // A pin decides alone: the words are not even read.
    const Classifier::Membership m =
        forced ? Classifier::membership(q, e, {}, forced) : heuristicMembership(q, e);
    if (forced) out_.forcedRealms[Classifier::occurrenceKey(q)] = *forced;

    const KingdomItem item{
        KingdomItem::Source::quest, q.id, q.rawTitle, q.name, q.startDate, e && e->allDay,
        forced.has_value(),         false};
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
    const KingdomItem item{KingdomItem::Source::reminder, r.id,  r.title, r.title, r.due,
                           r.due && !r.dueHasTime,        false, overdue};
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

  void placeVaultTask(const VaultSideQuest& t) {
    openVaultTasks_.insert(t.id);
    const std::string text = text::lower(text::fold(t.title));
    const bool deadline = Classifier::hasDeadlineWord(text);
    const bool ticket = Classifier::isTicketQuest(text);
    const bool overdue = t.due && t.due->seconds < day_.start.seconds;
    const KingdomItem item{
        KingdomItem::Source::vaultTask, t.id, t.title, t.title, t.due, true, false, overdue};
    if (deadline) list(KingdomRealm::deadlines, item);
    if (ticket) list(KingdomRealm::tickets, item);
    if (!deadline && !ticket) list(KingdomRealm::family, item);
    if (t.due && t.due->seconds >= day_.end.seconds) return;  // not for today yet
    out_.candidates.vaultTaskIDs.push_back(t.id);
    out_.journeyCandidates.push_back({"vault:" + t.id, WorldQuests::Realm::family,
                                      Journey::CandidateKind::vaultTask, t.title, t.due, t.xp,
                                      t.gold});
  }

  void placeTicket(const TrackerTicket& t) {
    openTickets_.insert(t.id);
    const bool overdue = t.due && t.due->seconds < day_.start.seconds;
    list(t.deadline ? KingdomRealm::deadlines : KingdomRealm::tickets,
         {KingdomItem::Source::ticket, t.id, t.title, t.title, t.due, false, false, overdue});
    if (t.deadline) {
      if (overdue) ++out_.candidates.overdueDeadlineCount;
    } else if (t.inProgress) {
      out_.candidates.inProgressTicketIDs.push_back(t.id);
    } else {
      out_.candidates.backlogTicketIDs.push_back(t.id);
      out_.live.stillBacklogTicketIDs.push_back(t.id);
    }
    using Kind = Journey::CandidateKind;
    const Kind kind = overdue && t.deadline ? Kind::overdueDeadline
                      : t.inProgress        ? Kind::ticketInProgress
                                            : Kind::backlogTicket;
    out_.journeyCandidates.push_back(
        {"ticket:" + t.id, t.deadline ? WorldQuests::Realm::deadlines : WorldQuests::Realm::tickets,
         kind, t.title, t.due, t.xp, t.gold});
  }

  // The board's task-file tasks that are no longer open were ticked (or dropped) since.
  void judgeDoneVaultTasks() {
    if (!s_.todaysBoard || s_.todaysBoard->dayKey != out_.dayKey) return;
    std::set<std::string> done;
    for (const WorldQuests::Objective& o : s_.todaysBoard->objectives) {
      if (o.kind != WorldQuests::ObjectiveKind::vaultTasks) continue;
      for (const std::string& id : o.baselineIDs) {
        if (!openVaultTasks_.count(id)) done.insert(id);
      }
    }
    out_.live.completedVaultTaskIDs.assign(done.begin(), done.end());
  }

  // The board's tickets that left the tracker's open list were closed since it was drawn; from a
  // list some tracker could not give, a missing ticket tells nothing and counts as unmoved.
  void judgeMovedTickets() {
    if (!s_.todaysBoard || s_.todaysBoard->dayKey != out_.dayKey) return;
    const bool whole = s_.trackerTickets.complete;
    for (const WorldQuests::Objective& o : s_.todaysBoard->objectives) {
      for (const std::string& id : o.baselineIDs) {
        if (openTickets_.count(id)) continue;
        if (o.kind == WorldQuests::ObjectiveKind::backlogTicket && !whole) {
          out_.live.stillBacklogTicketIDs.push_back(id);
        } else if (o.kind == WorldQuests::ObjectiveKind::ticketDone && whole) {
          out_.live.doneTicketIDs.push_back(id);
        }
      }
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
  ClassificationCache* cache_;
  Day day_;
  Snapshot out_;
  std::unordered_multimap<uint64_t, const DayEvent*> events_;  // by the id's hash
  std::vector<DayEvent> todaysTimedEvents_;
  std::set<std::string> pendingInvitations_;
  std::map<std::string, const DayEvent*> upcomingInvitations_;
  std::set<std::string> openReminders_;
  std::set<std::string> openVaultTasks_;
  std::set<std::string> openTickets_;
};

}  // namespace

Snapshot build(const Sources& sources, ClassificationCache* cache) {
  return Builder(sources, cache).build();
}

std::vector<KingdomItem> overdueItems(const Snapshot& snapshot) {
  std::vector<KingdomItem> items;
  std::set<std::string> seen;
  const auto take = [&](KingdomRealm realm) {
    for (const KingdomItem& item : snapshot.realm(realm)) {
      if (item.overdue && seen.insert(item.id).second) items.push_back(item);
    }
  };
  take(KingdomRealm::deadlines);
  for (const KingdomRealm realm : allCases<KingdomRealm>()) {
    if (realm != KingdomRealm::deadlines) take(realm);
  }
  return items;
}

}  // namespace KingdomSnapshot

void to_json(Json& j, const KingdomItem& v) {
  using json_coding::Field;
  static const auto fields =
      std::tuple{Field{"source", &KingdomItem::source}, Field{"id", &KingdomItem::id},
                 Field{"title", &KingdomItem::title},   Field{"name", &KingdomItem::name},
                 Field{"date", &KingdomItem::date},     Field{"allDay", &KingdomItem::allDay},
                 Field{"pinned", &KingdomItem::pinned}, Field{"overdue", &KingdomItem::overdue}};
  json_coding::writeFields(j, v, fields);
}

}  // namespace talewick
