// The quests of a window of the calendar, kept fresh. Loads the window's occurrences through the
// calendar port, forges each into a quest (reusing the quest of an unchanged occurrence) and
// publishes them with a status line; writes go through the port and reload the window.
//
// Everything runs on the main loop. A load runs to its end before the next starts (a load asked
// for while one runs waits and follows), so loads finish in the order they were asked for. Bursts
// of change notices are coalesced: reloads run RELOAD_DELAY after the last notice.
#pragma once

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/calendar_access.hpp"
#include "core/calendar_port.hpp"
#include "core/calendar_selection.hpp"
#include "core/clock.hpp"
#include "core/cloud_store_port.hpp"
#include "core/observers.hpp"
#include "core/preferences.hpp"
#include "core/quest_notifications.hpp"
#include "core/quick_add.hpp"
#include "game/quest.hpp"
#include "game/quest_engine.hpp"

namespace talewick {

// Where the published quests came from.
enum class QuestSource {
  none,      // nothing loaded yet
  agenda,    // the calendar
  emptyDay,  // the calendar, but the window is empty: the demonstration day as a preview
  denied,    // no calendar access: the demonstration day
};
template <>
struct EnumTraits<QuestSource> {
  static constexpr std::array<std::string_view, 4> names{"none", "agenda", "emptyDay", "denied"};
};

class QuestStore {
 public:
  static constexpr const char* MODE_KEY = "rpg_mode";
  static constexpr int KINGDOM_DAYS_BEFORE = 120;
  static constexpr int KINGDOM_DAYS_AFTER = 121;
  // Quests starting this many days ahead get their reminders planned.
  static constexpr int NOTIFICATION_DAYS = 2;

  struct ChronicleHit {
    std::string id;
    Quest quest;
    Date date;
    std::optional<std::string> location;
    int64_t score = 0;
  };
  struct AgendaItem {
    std::string id;
    Quest quest;
    Date date;
    bool allDay = false;
    std::optional<std::string> location;
  };

  // `calendarDisabled` (TALEWICK_DISABLE_EVENTKIT) keeps the store away from `calendar`: access
  // counts as refused. `cloud` may be null (no mode from other machines).
  QuestStore(CalendarEventStorePort& calendar, CalendarSelection& selection,
             Preferences& preferences, KeyValueCloudStore* cloud, asio::io_context& main,
             Clock clock, bool calendarDisabled, QuestNotifications* notifications = nullptr);
  ~QuestStore();
  QuestStore(const QuestStore&) = delete;
  QuestStore& operator=(const QuestStore&) = delete;

  // Who hears of invitations and plans reminders after each load; null: nobody.
  void setNotifications(QuestNotifications* notifications) {
    notifications_ = notifications ? notifications : &silent_;
  }

  // Published state. The quests of a load are outlines (QuestEngine::outline): a window of months
  // holds thousands, and their stories (intro and choices) are most of a quest's memory while
  // only a quest shown in full reads them. whole() tells a quest's story; agenda() and
  // searchChronicles() give whole quests. (The demonstration quests, few, are whole.)
  const std::vector<Quest>& quests() const { return quests_; }  // timed, by start
  const std::vector<Quest>& allDayQuests() const { return allDayQuests_; }
  // `quest`, one of the published quests, with its story.
  Quest whole(const Quest& quest) const;
  QuestSource source() const { return source_; }
  const std::string& statusLine() const { return statusLine_; }
  const std::optional<DateInterval>& currentInterval() const { return currentInterval_; }
  const std::string& currentLabel() const { return currentLabel_; }
  // The day events of the last load (empty for the demonstration day).
  const std::vector<DayEvent>& rawEvents() const { return events_; }
  // Loads completed since creation (each one published).
  int loadsCompleted() const { return loadsCompleted_; }

  // `observer` runs after every load, once its results are published. Returns a token.
  int observe(std::function<void()> observer) { return observers_.add(std::move(observer)); }
  void unobserve(int token) { observers_.remove(token); }

  // The narrative mode: "rpg_mode" in the preferences, else in the cloud store, else heroic.
  RPGMode mode() const { return modeFrom(preferences_, cloud_); }
  static RPGMode modeFrom(const Preferences& preferences, const KeyValueCloudStore* cloud);

  // How long a burst of change notices is waited out before the one reload it causes.
  static constexpr std::chrono::milliseconds RELOAD_DELAY{350};
  // Tests wait none, and run the loop until it is idle.
  void setReloadDelay(std::chrono::milliseconds delay) { reloadDelay_ = delay; }

  // Loads `interval` under `label` ("Cette semaine"…), after any load under way.
  void load(DateInterval interval, std::string label);
  // Reloads the current window RELOAD_DELAY after the last of a burst of requests.
  void coalescedReload();

  // Monday 00:00 of the week holding `date` to the Monday after.
  static DateInterval weekInterval(Date containing);
  // The kingdom's calendar window: 120 days before the day of `day` to 121 days after it.
  static DateInterval kingdomInterval(Date day);
  // The window's label: "Cette semaine" for the week holding now, else its dates.
  std::string labelFor(DateInterval interval) const;

  // The loaded quests of [day of `from`, + `days` days), by date, all-day ones first each day.
  std::vector<AgendaItem> agenda(Date from, int days) const;
  // Occurrences from `monthsBack` months before now to `monthsForward` after whose title, place
  // or quest name holds every word of `text` (case and accents aside), best first.
  std::vector<ChronicleHit> searchChronicles(const std::string& text, int monthsBack,
                                             int monthsForward);
  // The occurrence behind a quest: the one on `calendarID` when given. Two calendars may hold
  // events with the same UID, hence the same quest id; without a calendar, the first loaded.
  std::optional<DayEvent> dayEvent(const Quest& quest, const std::string& calendarID = {}) const;
  // The calendars of the loaded occurrences behind a quest id, sorted, each once.
  std::vector<std::string> calendarsOf(const std::string& questID) const;

  // Writes. Each reloads the window after writing; a failure shows on the status line and
  // returns false (nothing else changes). A write refused for what it asks (CalendarInputError:
  // a date no calendar file can hold) shows there too, and is thrown on to the caller.
  // The writes on a quest act on its occurrence on `calendarID`; without one, on the calendar of
  // its loaded occurrences when they share one.
  // A new event in `draft.calendarID`; returns its identifier.
  std::optional<std::string> createEvent(CalendarEvent draft);
  // A quick-add sentence's draft written as a new event of `place` (see QuickAdd::eventOf):
  // the event as written, its identifier set; nullopt when the write failed.
  std::optional<QuickAdd::Draft> quickAdd(const ParsedEvent& draft, const CalendarInfo& place);
  // Moves the quest's occurrence to `newStart`, with a new length when given.
  bool reschedule(const Quest& quest, Date newStart, std::optional<int64_t> newDurationMin,
                  const std::string& calendarID = {});
  // Shows the quest at its new time at once, before any write lands.
  void optimisticMove(const std::string& questID, Date from, Date to, int64_t durationMin);
  bool deleteEvent(const Quest& quest, EventSpan span, const std::string& calendarID = {});

  // Calendar choices; each reloads.
  void toggleCalendar(const std::string& id);
  bool activateSet(const std::optional<std::string>& setID);

  // The calendar folder changed (coalesced reload, only with access).
  void calendarStoreChanged();
  // Keys changed in the cloud store: a new "rpg_mode" there is copied into the preferences and
  // the window reloaded.
  void cloudChanged(const std::vector<std::string>& keys);

  // Where the events of connected remote calendars come from: asked at every load for the
  // window's, they join the calendar folder's occurrences. None by default.
  void readRemoteEvents(std::function<std::vector<DayEvent>(DateInterval)> source) {
    remoteEvents_ = std::move(source);
  }

  // Invitation answers are polled every 120 s once started; `poll` does the polling.
  void startInvitationPolling(std::function<void()> poll);

 private:
  void performLoad(DateInterval interval, std::string label);
  // The outline of `event`: the published quest when the occurrence's signature is unchanged,
  // else freshly forged.
  Quest outlined(const DayEvent& event, RPGMode mode) const;
  const Quest* publishedQuestFor(const DayEvent& event, RPGMode mode) const;
  // The occurrence of the last load a published outline was forged from; null when none.
  const DayEvent* occurrenceOf(const Quest& quest) const;
  std::vector<Quest> demoQuests(RPGMode mode);
  bool hasAccess();
  void publish();
  std::string agendaStatus() const;
  const DayEvent* eventOf(const std::string& questID, const std::string& calendarID = {}) const;
  // The calendar a write on the quest goes to (see the writes above); "" when not known.
  std::string writeCalendar(const Quest& quest, const std::string& calendarID) const;
  void reloadCurrent();
  void failWrite(CalendarAccess::CalendarWrite write, const std::string& error);
  // Invitations to announce, notices to withdraw, reminders to plan after a load.
  void tellNotifications(RPGMode mode);

  CalendarEventStorePort& calendar_;
  CalendarSelection& selection_;
  Preferences& preferences_;
  KeyValueCloudStore* cloud_;
  asio::io_context& main_;
  Clock clock_;
  bool calendarDisabled_;
  QuestNotifications* notifications_;
  QuestNotifications silent_;

  std::vector<Quest> quests_;
  std::vector<Quest> allDayQuests_;
  QuestSource source_ = QuestSource::none;
  std::string statusLine_;
  // The day events of the last load and, by quest id, their place in it.
  std::vector<DayEvent> events_;
  std::unordered_map<std::string, size_t> eventIndex_;
  RPGMode eventsMode_ = RPGMode::heroicPapa;
  bool questsMatchEvents_ = false;  // false once a quest was moved or removed ahead of the calendar
  // The quest cache is the published quests themselves (a window of months holds thousands of
  // quests: a second copy would double the store's memory). For each occurrence of the last load,
  // where its quest sits (used while questsMatchEvents_); and each occurrence by its id and start,
  // which is how an outline finds the occurrence its story is told from. Only the first of
  // occurrences sharing an id and start is found so: the quests of the others are forged whole,
  // as is a quest before it moves ahead of the calendar.
  struct QuestSlot {
    bool allDay = false;
    uint32_t index = 0;
  };
  std::vector<QuestSlot> questOfEvent_;  // parallel to events_
  std::unordered_map<uint64_t, uint32_t> eventByOccurrence_;
  std::vector<CalendarAccess::CalendarDeletionTombstone> tombstones_;
  std::function<std::vector<DayEvent>(DateInterval)> remoteEvents_;
  // The event created last through this store. When another calendar already holds the same
  // title at the same time, this one is shown for both: the user must find what they just wrote.
  std::string lastCreated_;
  std::optional<DateInterval> currentInterval_;
  std::string currentLabel_;
  std::set<std::string> announcedInvitations_;

  bool loading_ = false;
  std::deque<std::pair<DateInterval, std::string>> waitingLoads_;
  int loadsCompleted_ = 0;
  int64_t reloadGeneration_ = 0;
  std::chrono::milliseconds reloadDelay_ = RELOAD_DELAY;
  asio::steady_timer reloadTimer_;
  asio::steady_timer rsvpTimer_;
  std::function<void()> pollInvitations_;
  ObserverList<> observers_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace talewick
