#include "core/quest_store.hpp"

#include <algorithm>
#include <asio/post.hpp>
#include <chrono>
#include <sstream>

#include "core/mock_events.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "text/meeting_detector.hpp"
#include "text/rsvp.hpp"

namespace talewick {

namespace {

constexpr auto kInvitationPollEvery = std::chrono::seconds(120);

Date dayStart(Date d, int plusDays = 0) {
  return LocalCalendar::startOfDay(
      LocalCalendar::addingDays(LocalCalendar::startOfDay(d), plusDays));
}

// The first day of the month holding `d`, shifted by `months`.
Date monthStart(Date d, int months) {
  LocalCalendar::Fields f = LocalCalendar::fields(d);
  int month0 = f.year * 12 + (f.month - 1) + months;
  CivilTime civil{month0 / 12, month0 % 12 + 1, 1, 0, 0, 0};
  return LocalCalendar::dateFrom(civil).value_or(d);
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text::fold(text));
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

}  // namespace

QuestStore::QuestStore(CalendarEventStorePort& calendar, CalendarSelection& selection,
                       Preferences& preferences, KeyValueCloudStore* cloud, asio::io_context& main,
                       Clock clock, bool calendarDisabled, QuestNotifications* notifications)
    : calendar_(calendar),
      selection_(selection),
      preferences_(preferences),
      cloud_(cloud),
      main_(main),
      clock_(std::move(clock)),
      calendarDisabled_(calendarDisabled),
      notifications_(notifications ? notifications : &silent_),
      statusLine_(Loc::string("status.loading", "Chargement…")),
      currentLabel_(Loc::string("status.thisWeek", "Cette semaine")),
      reloadTimer_(main),
      rsvpTimer_(main) {}

QuestStore::~QuestStore() {
  alive_.reset();
  reloadTimer_.cancel();
  rsvpTimer_.cancel();
}

RPGMode QuestStore::modeFrom(const Preferences& preferences, const KeyValueCloudStore* cloud) {
  if (auto raw = preferences.string(MODE_KEY)) {
    if (auto mode = fromRaw<RPGMode>(*raw)) return *mode;
  }
  if (cloud) {
    if (auto bytes = cloud->data(MODE_KEY)) {
      const Json value = Json::parse(*bytes, nullptr, false);
      if (value.is_string()) {
        if (auto mode = fromRaw<RPGMode>(value.get<std::string>())) return *mode;
      }
    }
  }
  return RPGMode::heroicPapa;
}

DateInterval QuestStore::weekInterval(Date containing) {
  const LocalCalendar::Fields f = LocalCalendar::fields(containing);
  const int sinceMonday = (f.weekday + 5) % 7;  // Sunday 1 → 6, Monday 2 → 0
  const Date monday = dayStart(containing, -sinceMonday);
  return {monday, dayStart(monday, 7)};
}

DateInterval QuestStore::kingdomInterval(Date day) {
  return {dayStart(day, -KINGDOM_DAYS_BEFORE), dayStart(day, KINGDOM_DAYS_AFTER)};
}

std::string QuestStore::labelFor(DateInterval interval) const {
  if (interval == weekInterval(clock_())) return Loc::string("status.thisWeek", "Cette semaine");
  const std::string first = LocalCalendar::dayKey(interval.start);
  const std::string last = LocalCalendar::dayKey(Date{interval.end.seconds - 1});
  return first == last ? first : first + " → " + last;
}

void QuestStore::load(DateInterval interval, std::string label) {
  if (loading_) {
    // Asked for by something the running load set off: it follows in order.
    waitingLoads_.emplace_back(interval, std::move(label));
    return;
  }
  loading_ = true;
  performLoad(interval, std::move(label));
  while (!waitingLoads_.empty()) {
    auto [next, nextLabel] = std::move(waitingLoads_.front());
    waitingLoads_.pop_front();
    performLoad(next, std::move(nextLabel));
  }
  loading_ = false;
}

void QuestStore::coalescedReload() {
  const int64_t generation = ++reloadGeneration_;
  reloadTimer_.expires_after(reloadDelay_);  // cancels the wait of the previous request
  std::weak_ptr<bool> alive = alive_;
  reloadTimer_.async_wait([this, alive, generation](const std::error_code& error) {
    if (error || !alive.lock() || generation != reloadGeneration_) return;
    reloadCurrent();
  });
}

void QuestStore::reloadCurrent() {
  if (currentInterval_) load(*currentInterval_, currentLabel_);
}

bool QuestStore::hasAccess() {
  if (calendarDisabled_) return false;
  return calendar_.requestFullAccess();
}

namespace {

uint64_t occurrenceHash(std::string_view eventID, Date start) {
  const size_t id = std::hash<std::string_view>{}(eventID);
  return id ^ (std::hash<double>{}(start.seconds) + 0x9e3779b97f4a7c15ULL + (id << 6) + (id >> 2));
}

uint64_t occurrenceHash(const DayEvent& event) { return occurrenceHash(event.id, event.startDate); }

// Whether `quest` has its story: every whole quest has at least its heroic choice.
bool isWhole(const Quest& quest) { return !quest.choices.empty(); }

}  // namespace

const Quest* QuestStore::publishedQuestFor(const DayEvent& event, RPGMode mode) const {
  if (source_ != QuestSource::agenda || !questsMatchEvents_ || mode != eventsMode_) return nullptr;
  const auto found = eventByOccurrence_.find(occurrenceHash(event));
  if (found == eventByOccurrence_.end()) return nullptr;
  const DayEvent& previous = events_[found->second];
  if (QuestEngine::eventToQuestSignature(previous, mode) !=
      QuestEngine::eventToQuestSignature(event, mode)) {
    return nullptr;
  }
  const QuestSlot slot = questOfEvent_[found->second];
  return &(slot.allDay ? allDayQuests_ : quests_)[slot.index];
}

Quest QuestStore::outlined(const DayEvent& event, RPGMode mode) const {
  if (const Quest* published = publishedQuestFor(event, mode)) return *published;
  return QuestEngine::outline(event, mode);
}

const DayEvent* QuestStore::occurrenceOf(const Quest& quest) const {
  constexpr std::string_view prefix = "quest_";
  if (quest.id.rfind(prefix, 0) != 0) return nullptr;
  const std::string_view id = std::string_view(quest.id).substr(prefix.size());
  const auto found = eventByOccurrence_.find(occurrenceHash(id, quest.startDate));
  if (found == eventByOccurrence_.end()) return nullptr;
  const DayEvent& event = events_[found->second];
  return event.id == id && event.startDate == quest.startDate ? &event : nullptr;
}

Quest QuestStore::whole(const Quest& quest) const {
  Quest told = quest;
  if (isWhole(told)) return told;
  if (const DayEvent* event = occurrenceOf(told)) QuestEngine::tell(told, *event, eventsMode_);
  return told;
}

std::vector<Quest> QuestStore::demoQuests(RPGMode mode) {
  std::vector<Quest> quests;
  for (const DayEvent& event : mockEvents(clock_())) {
    quests.push_back(QuestEngine::eventToQuest(event, mode));
  }
  return quests;
}

void QuestStore::performLoad(DateInterval interval, std::string label) {
  currentInterval_ = interval;
  currentLabel_ = std::move(label);
  const RPGMode mode = this->mode();
  const auto previewStatus = [](const char* key, const char* french, size_t count) {
    return Loc::string(key, french) + Loc::counted(static_cast<int64_t>(count), "status.demoQuests",
                                                   "%@ quête démo)", "%@ quêtes démo)");
  };

  if (!hasAccess()) {
    source_ = QuestSource::denied;
    quests_ = demoQuests(mode);
    allDayQuests_.clear();
    events_.clear();
    eventIndex_.clear();
    questOfEvent_.clear();
    eventByOccurrence_.clear();
    statusLine_ =
        previewStatus("status.denied", "Accès calendrier refusé — aperçu (", quests_.size());
    publish();
    return;
  }

  CalendarAccess::DayEventLists lists;
  try {
    lists = CalendarAccess::fetchDayEvents(calendar_, interval.start, interval.end,
                                           selection_.hidden(), lastCreated_);
  } catch (const std::exception& e) {
    // A store that cannot be read keeps what is shown and says why.
    statusLine_ = Loc::string("status.unreadable", "Agenda illisible : ") + e.what();
    publish();
    return;
  }
  std::vector<DayEvent> remote;
  if (remoteEvents_) remote = remoteEvents_(interval);
  std::vector<DayEvent> events = std::move(lists.timed);
  // Exactly: the window stays loaded.
  events.reserve(events.size() + lists.allDay.size() + remote.size());
  std::move(lists.allDay.begin(), lists.allDay.end(), std::back_inserter(events));
  std::move(remote.begin(), remote.end(), std::back_inserter(events));
  if (!tombstones_.empty()) {
    CalendarAccess::Reconciled kept = CalendarAccess::reconcile(events, tombstones_);
    tombstones_ = std::move(kept.remainingTombstones);
    events = std::move(kept.events);
  }

  // Nothing changed since the last load (the usual answer to a change notice): the published
  // quests stand as they are. Time has moved on all the same, and quests may have entered the
  // days whose notifications are planned.
  if (source_ == QuestSource::agenda && questsMatchEvents_ && mode == eventsMode_ &&
      events == events_) {
    statusLine_ = agendaStatus();
    tellNotifications(mode);
    publish();
    return;
  }

  // Each occurrence by its id and start; the occurrences after the first of a key (the same
  // event on two calendars) are not found by it.
  std::unordered_map<uint64_t, uint32_t> byOccurrence;
  byOccurrence.reserve(events.size());
  std::vector<bool> unfound(events.size());
  for (uint32_t i = 0; i < events.size(); ++i) {
    unfound[i] = !byOccurrence.emplace(occurrenceHash(events[i]), i).second;
  }

  // Timed quests are published by start (a quest starts when its occurrence does), all-day ones
  // in the calendar's order; each occurrence remembers where its quest went. An occurrence its
  // outline could not find again gets its quest whole.
  const auto forge = [&](uint32_t i) {
    Quest quest = outlined(events[i], mode);
    if (unfound[i] && !isWhole(quest)) QuestEngine::tell(quest, events[i], mode);
    return quest;
  };
  std::vector<uint32_t> timedOrder, allDayOrder;
  for (uint32_t i = 0; i < events.size(); ++i) {
    (events[i].allDay ? allDayOrder : timedOrder).push_back(i);
  }
  std::stable_sort(timedOrder.begin(), timedOrder.end(), [&](uint32_t a, uint32_t b) {
    return events[a].startDate.seconds < events[b].startDate.seconds;
  });
  std::vector<Quest> timed, allDay;
  timed.reserve(timedOrder.size());
  allDay.reserve(allDayOrder.size());
  std::vector<QuestSlot> slots(events.size());
  for (uint32_t i : timedOrder) {
    slots[i] = {false, static_cast<uint32_t>(timed.size())};
    timed.push_back(forge(i));
  }
  for (uint32_t i : allDayOrder) {
    slots[i] = {true, static_cast<uint32_t>(allDay.size())};
    allDay.push_back(forge(i));
  }

  if (events.empty()) {
    source_ = QuestSource::emptyDay;
    quests_ = demoQuests(mode);
    allDayQuests_.clear();
    events_.clear();
    eventIndex_.clear();
    questOfEvent_.clear();
    eventByOccurrence_.clear();
    statusLine_ = previewStatus("status.empty", "Agenda vide — aperçu (", quests_.size());
    publish();
    return;
  }
  std::unordered_map<std::string, size_t> index;
  for (uint32_t i = 0; i < events.size(); ++i) {
    index.emplace((slots[i].allDay ? allDay : timed)[slots[i].index].id, i);
  }
  quests_ = std::move(timed);
  allDayQuests_ = std::move(allDay);
  events_ = std::move(events);
  eventIndex_ = std::move(index);
  questOfEvent_ = std::move(slots);
  eventByOccurrence_ = std::move(byOccurrence);
  eventsMode_ = mode;
  questsMatchEvents_ = true;
  source_ = QuestSource::agenda;
  statusLine_ = agendaStatus();

  tellNotifications(mode);
  publish();
}

void QuestStore::tellNotifications(RPGMode mode) {
  std::vector<DayEvent> awaiting;
  std::set<std::string> awaitingKeys;
  for (const DayEvent& event : events_) {
    if (!event.needsResponse) continue;
    awaitingKeys.insert(invitationKey(event.externalIdentifier.value_or(""), event.startDate));
    if (announcedInvitations_.insert(event.id).second) awaiting.push_back(event);
  }
  if (!awaiting.empty()) notifications_->announcePendingInvitations(awaiting, mode);
  notifications_->purgeStaleInvites(awaitingKeys, *currentInterval_);

  // Reminders are planned for the next days only; the daemon's reload after midnight plans on.
  const Date now = clock_();
  const DateInterval coverage{
      std::max(now, currentInterval_->start),
      std::min(now.adding(NOTIFICATION_DAYS * 86400.0), currentInterval_->end)};
  if (coverage.end <= coverage.start) return;
  std::map<std::string, std::string> joinURLs;
  std::map<std::string, std::vector<int>> offsets;
  for (size_t i = 0; i < events_.size(); ++i) {
    const DayEvent& event = events_[i];
    if (event.allDay || !coverage.contains(event.startDate)) continue;
    const std::string& questId = quests_[questOfEvent_[i].index].id;
    if (auto link = MeetingDetector::detect(event)) joinURLs.emplace(questId, link->url);
    std::vector<int>& leads = offsets[questId];
    for (int minutes : event.alarmMinutesBefore) {
      if (minutes >= 0) leads.push_back(minutes);
    }
    if (leads.empty()) leads.push_back(QuestNotifications::defaultLeadMinutes);
  }
  notifications_->scheduleEpicNotifications(quests_, joinURLs, offsets, coverage);
}

std::string QuestStore::agendaStatus() const {
  return currentLabel_ + " — " +
         Loc::counted(static_cast<int64_t>(quests_.size()), "status.agendaQuests",
                      "%@ quête de ton agenda", "%@ quêtes de ton agenda");
}

void QuestStore::publish() {
  ++loadsCompleted_;
  observers_.notify();
}

std::vector<QuestStore::AgendaItem> QuestStore::agenda(Date from, int days) const {
  const double start = dayStart(from).seconds, end = dayStart(from, days).seconds;
  std::vector<AgendaItem> items;
  for (const auto* list : {&allDayQuests_, &quests_}) {
    for (const Quest& quest : *list) {
      const bool allDay = list == &allDayQuests_;
      const DayEvent* raw = eventOf(quest.id);
      const std::optional<std::string> place = raw ? raw->location : std::nullopt;
      if (!allDay) {
        const double date = quest.startDate.seconds;
        if (date >= start && date < end)
          items.push_back({quest.id, whole(quest), quest.startDate, false, place});
        continue;
      }
      // An all-day quest shows on every day it covers inside the range. The occurrences of a
      // series share one quest id, hence one day event: take its length, not its dates.
      const double length = raw ? raw->endDate.seconds - raw->startDate.seconds : 86400.0;
      const double questEnd = quest.startDate.seconds + std::max(length, 1.0);
      std::optional<Quest> told;
      for (Date day = dayStart(Date{std::max(quest.startDate.seconds, start)});
           day.seconds < std::min(questEnd, end); day = dayStart(day, 1)) {
        if (!told) told = whole(quest);
        items.push_back({quest.id, *told, day, true, place});
      }
    }
  }
  std::stable_sort(items.begin(), items.end(), [](const AgendaItem& a, const AgendaItem& b) {
    const std::string dayA = LocalCalendar::dayKey(a.date), dayB = LocalCalendar::dayKey(b.date);
    if (dayA != dayB) return dayA < dayB;
    if (a.allDay != b.allDay) return a.allDay;
    return a.date.seconds < b.date.seconds;
  });
  return items;
}

std::vector<QuestStore::ChronicleHit> QuestStore::searchChronicles(const std::string& text,
                                                                   int monthsBack,
                                                                   int monthsForward) {
  const std::vector<std::string> wanted = words(text);
  std::vector<ChronicleHit> hits;
  if (wanted.empty() || !hasAccess()) return hits;
  const Date now = clock_();
  const auto lists = CalendarAccess::fetchDayEvents(calendar_, monthStart(now, -monthsBack),
                                                    monthStart(now, monthsForward + 1),
                                                    selection_.hidden(), lastCreated_);
  const RPGMode mode = this->mode();
  for (const auto* list : {&lists.timed, &lists.allDay}) {
    for (const DayEvent& event : *list) {
      const std::string title = text::fold(event.title);
      const std::string place = text::fold(event.location.value_or(""));
      Quest quest = outlined(event, mode);
      const std::string name = text::fold(quest.name);
      // Every word must be found somewhere; where it is found weighs differently.
      int64_t score = 0;
      bool all = true;
      for (const std::string& word : wanted) {
        const int64_t here = (title.find(word) != std::string::npos ? 3 : 0) +
                             (name.find(word) != std::string::npos ? 2 : 0) +
                             (place.find(word) != std::string::npos ? 1 : 0);
        if (here == 0) all = false;
        score += here;
      }
      if (!all) continue;
      if (!isWhole(quest)) QuestEngine::tell(quest, event, mode);
      hits.push_back({quest.id, std::move(quest), event.startDate, event.location, score});
    }
  }
  // Best first; among equals, the nearest to now.
  std::stable_sort(hits.begin(), hits.end(), [&](const ChronicleHit& a, const ChronicleHit& b) {
    if (a.score != b.score) return a.score > b.score;
    return std::abs(a.date.seconds - now.seconds) < std::abs(b.date.seconds - now.seconds);
  });
  return hits;
}

const DayEvent* QuestStore::eventOf(const std::string& questID,
                                    const std::string& calendarID) const {
  const auto found = eventIndex_.find(questID);
  if (found == eventIndex_.end()) return nullptr;
  const DayEvent* first = &events_[found->second];
  if (calendarID.empty() || first->calendarID == calendarID) return first;
  for (const DayEvent& event : events_) {
    if (event.calendarID == calendarID && "quest_" + event.id == questID) return &event;
  }
  return nullptr;
}

std::optional<DayEvent> QuestStore::dayEvent(const Quest& quest,
                                             const std::string& calendarID) const {
  const DayEvent* event = eventOf(quest.id, calendarID);
  if (!event) return std::nullopt;
  return *event;
}

std::vector<std::string> QuestStore::calendarsOf(const std::string& questID) const {
  std::set<std::string> calendars;
  if (eventIndex_.count(questID)) {
    for (const DayEvent& event : events_) {
      if (event.calendarID && "quest_" + event.id == questID) calendars.insert(*event.calendarID);
    }
  }
  return {calendars.begin(), calendars.end()};
}

std::string QuestStore::writeCalendar(const Quest& quest, const std::string& calendarID) const {
  if (!calendarID.empty()) return calendarID;
  const std::vector<std::string> calendars = calendarsOf(quest.id);
  return calendars.size() == 1 ? calendars.front() : std::string();
}

void QuestStore::failWrite(CalendarAccess::CalendarWrite write, const std::string& error) {
  statusLine_ = CalendarAccess::failedWriteStatus(write, error);
  observers_.notify();
}

std::optional<std::string> QuestStore::createEvent(CalendarEvent draft) {
  if (!hasAccess()) {
    failWrite(CalendarAccess::CalendarWrite::create,
              Loc::string("status.noAccess", "pas d'accès au calendrier"));
    return std::nullopt;
  }
  try {
    draft.eventIdentifier.clear();
    calendar_.save(draft, EventSpan::thisEvent);
  } catch (const CalendarInputError& e) {
    failWrite(CalendarAccess::CalendarWrite::create, e.what());
    throw;
  } catch (const CalendarStoreError& e) {
    failWrite(CalendarAccess::CalendarWrite::create, e.what());
    return std::nullopt;
  }
  lastCreated_ = draft.eventIdentifier;
  reloadCurrent();
  return draft.eventIdentifier;
}

std::optional<QuickAdd::Draft> QuestStore::quickAdd(const ParsedEvent& draft,
                                                    const CalendarInfo& place) {
  QuickAdd::Draft written = QuickAdd::eventOf(draft, place.identifier);
  const std::optional<std::string> identifier = createEvent(written.event);
  if (!identifier) return std::nullopt;
  written.event.eventIdentifier = *identifier;
  written.event.externalIdentifier = *identifier;
  return written;
}

bool QuestStore::reschedule(const Quest& quest, Date newStart,
                            std::optional<int64_t> newDurationMin, const std::string& calendarID) {
  std::optional<CalendarEvent> event;
  if (source_ == QuestSource::agenda && hasAccess()) {
    event = CalendarAccess::occurrenceEvent(calendar_, quest, writeCalendar(quest, calendarID));
  }
  if (!event) {
    statusLine_ = CalendarAccess::demoQuestStatus(CalendarAccess::CalendarWrite::move);
    observers_.notify();
    return false;
  }
  const double length = newDurationMin ? static_cast<double>(*newDurationMin) * 60
                                       : event->end.seconds - event->start.seconds;
  const Quest before = quest;  // `quest` may live in the lists the move rewrites
  optimisticMove(before.id, before.startDate, newStart, static_cast<int64_t>(length / 60));
  event->start = newStart;
  event->end = Date{newStart.seconds + length};
  try {
    calendar_.save(*event, EventSpan::thisEvent);
  } catch (const CalendarStoreError& e) {
    reloadCurrent();  // puts the quest back where the calendar has it
    failWrite(CalendarAccess::CalendarWrite::move, e.what());
    if (dynamic_cast<const CalendarInputError*>(&e)) throw;
    return false;
  }
  reloadCurrent();
  return true;
}

void QuestStore::optimisticMove(const std::string& questID, Date from, Date to,
                                int64_t durationMin) {
  questsMatchEvents_ = false;
  for (Quest& quest : quests_) {
    if (quest.id == questID && std::abs(quest.startDate.seconds - from.seconds) < 1) {
      quest = whole(quest);  // told from where its occurrence is: its story does not move
      quest.startDate = to;
      quest.durationMin = durationMin;
    }
  }
  std::stable_sort(quests_.begin(), quests_.end(), [](const Quest& a, const Quest& b) {
    return a.startDate.seconds < b.startDate.seconds;
  });
  observers_.notify();
}

bool QuestStore::deleteEvent(const Quest& target, EventSpan span, const std::string& calendarID) {
  std::optional<CalendarEvent> event;
  const std::string calendar = writeCalendar(target, calendarID);
  if (source_ == QuestSource::agenda && hasAccess()) {
    event = CalendarAccess::occurrenceEvent(calendar_, target, calendar);
  }
  if (!event) {
    statusLine_ = CalendarAccess::demoQuestStatus(CalendarAccess::CalendarWrite::remove);
    observers_.notify();
    return false;
  }
  const Quest quest = target;  // `target` may live in the lists the removal rewrites
  const DayEvent* raw = eventOf(quest.id, calendar);
  if (raw) tombstones_.push_back(CalendarAccess::tombstoneFor(*raw, span));
  questsMatchEvents_ = false;
  CalendarAccess::removeOptimistically(quests_, quest, span);
  CalendarAccess::removeOptimistically(allDayQuests_, quest, span);
  observers_.notify();
  try {
    calendar_.remove(*event, span);
  } catch (const CalendarStoreError& e) {
    if (raw) tombstones_.pop_back();
    reloadCurrent();
    failWrite(CalendarAccess::CalendarWrite::remove, e.what());
    return false;
  }
  reloadCurrent();
  return true;
}

void QuestStore::toggleCalendar(const std::string& id) {
  selection_.toggleCalendar(id);
  reloadCurrent();
}

bool QuestStore::activateSet(const std::optional<std::string>& setID) {
  std::vector<std::string> ids;
  if (!calendarDisabled_) {
    for (const CalendarInfo& c : calendar_.calendars()) ids.push_back(c.identifier);
  }
  if (!selection_.activateSet(setID, ids)) return false;
  reloadCurrent();
  return true;
}

void QuestStore::calendarStoreChanged() {
  if (calendarDisabled_) return;
  coalescedReload();
}

void QuestStore::cloudChanged(const std::vector<std::string>& keys) {
  if (!keys.empty() && std::find(keys.begin(), keys.end(), MODE_KEY) == keys.end()) return;
  if (cloud_) {
    if (auto bytes = cloud_->data(MODE_KEY)) {
      const Json value = Json::parse(*bytes, nullptr, false);
      if (value.is_string() && fromRaw<RPGMode>(value.get<std::string>()) &&
          preferences_.value(MODE_KEY) != value) {
        try {
          preferences_.set(MODE_KEY, value);
        } catch (const std::system_error&) {
          // The mode still applies through the cloud value; the preference catches up later.
        }
      }
    }
  }
  coalescedReload();
}

void QuestStore::startInvitationPolling(std::function<void()> poll) {
  pollInvitations_ = std::move(poll);
  std::weak_ptr<bool> alive = alive_;
  rsvpTimer_.expires_after(kInvitationPollEvery);
  rsvpTimer_.async_wait([this, alive](const std::error_code& error) {
    if (error || !alive.lock()) return;
    if (pollInvitations_) pollInvitations_();
    startInvitationPolling(std::move(pollInvitations_));
  });
}

}  // namespace talewick
