#include "ui/commands/commands.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/mock_events.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "ui/command.hpp"
#include "ui/context.hpp"
#include "ui/kingdom_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {

std::vector<Command> allCommands() {
  return {todayCommand(""),        todayCommand("today"), weekCommand(),        dayCommand(),
          freeCommand(),           agendaCommand(),       questCommand(),       searchCommand(),
          parseCommand(),          addCommand(),          moveCommand(),        deleteCommand(),
          modeCommand(),           titleModeCommand(),    rulesCommand(),       forgeCommand(),
          levelCommand(),          calendarsCommand(),    setsCommand(),        eventsCommand(),
          remindersCommand(),      vaultCommand(),        heroCommand(),        replayCommand(),
          vigilCommand(),          inventoryCommand(),    equipCommand(),       unequipCommand(),
          recycleCommand(),        shopCommand(),         buyCommand(),         deedsCommand(),
          syncCommand(),           kingdomCommand(),      journeyCommand(),     restCommand(),
          campaignCommand(),       bossCommand(),         vocationCommand(),    expeditionCommand(),
          peopleCommand(),         offersCommand(),       pinCommand(),         unpinCommand(),
          daemonCommand(),         buildingsCommand(),    cosmeticsCommand(),   backendCommand(),
          connectCommand(),        disconnectCommand(),   connectionsCommand(), handleURLCommand(),
          installDesktopCommand(), openingsCommand(),     invitesCommand(),     guildCommand(),
          worldBossCommand(),      roomCommand(),         pipelineCommand(),    linearCommand(),
          answerCommand()};
}

KingdomRefresh refreshKingdom(AppContext& app) {
  KingdomCoordinator& kingdom = app.kingdom();
  KingdomRefresh refresh;
  const int token = kingdom.observe([&](const std::vector<KingdomCoordinator::Payment>& paid) {
    refresh.payments.insert(refresh.payments.end(), paid.begin(), paid.end());
  });
  kingdom.refreshAll(app.now());
  kingdom.unobserve(token);
  if (!kingdom.view()) throw std::runtime_error(app.questStore().statusLine());
  refresh.view = &*kingdom.view();
  return refresh;
}

void printPayments(std::ostream& out, const KingdomRefresh& refresh) {
  for (const auto& payment : refresh.payments) {
    out << paymentLine(payment, refresh.view->board) << "\n";
  }
}

CalendarTitleMode titleMode(AppContext& app) {
  return calendarTitleModeOrEpic(app.preferences().string(std::string(CALENDAR_TITLE_MODE_KEY)));
}

QuestStore& loadWeek(AppContext& app, Date day) {
  QuestStore& store = app.questStore();
  const DateInterval week = QuestStore::weekInterval(day);
  store.load(week, store.labelFor(week));
  return store;
}

Date parseDay(const std::string& text) {
  if (auto parsed = iso8601::parse(text); parsed && text.size() == 10) {
    if (auto day = LocalCalendar::dateFrom(parsed->civil)) return *day;
  }
  throw UsageError(Loc::format(
      Loc::string("cli.badDay", "date invalide : « %@ » (attendu : AAAA-MM-JJ)"), {text}));
}

int64_t parseWholeNumber(const std::string& text, const std::string& what, int64_t min,
                         int64_t max) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  // from_chars reads decimal only and refuses a value past int64: CLI11's own reading took
  // "0x10" as 16 and clamped overflow to the largest value.
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < min || value > max) {
    throw UsageError(Loc::format(
        Loc::string("cli.badNumber", "%@ attend un nombre entier entre %@ et %@ : « %@ »"),
        {what, std::to_string(min), std::to_string(max), text}));
  }
  return value;
}

namespace {

bool isQuestOf(const Quest& quest, const std::string& id) {
  return quest.id == id || quest.id == "quest_" + id;
}

// Whether `quest` was forged from an occurrence on `calendar`.
bool fromCalendar(const QuestStore& store, const Quest& quest, const std::string& calendar) {
  for (const DayEvent& event : store.rawEvents()) {
    if (event.calendarID == calendar && "quest_" + event.id == quest.id &&
        std::fabs(event.startDate - quest.startDate) < 1) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string questCalendar(const QuestStore& store, const std::string& id,
                          const std::string& option) {
  std::vector<std::string> calendars = store.calendarsOf(id);
  for (const std::string& c : store.calendarsOf("quest_" + id)) {
    if (std::find(calendars.begin(), calendars.end(), c) == calendars.end()) calendars.push_back(c);
  }
  std::string names;
  for (const std::string& c : calendars) names += (names.empty() ? "" : ", ") + c;
  if (!option.empty()) {
    if (std::find(calendars.begin(), calendars.end(), option) != calendars.end()) return option;
    throw UsageError(Loc::format(
        Loc::string("cli.quest.notOnCalendar", "quête introuvable dans l'agenda « %@ » : %@"),
        {option, id}));
  }
  if (calendars.size() > 1) {
    throw UsageError(Loc::format(
        Loc::string("cli.quest.ambiguous",
                    "« %@ » désigne des événements de plusieurs agendas (%@) : précise lequel "
                    "avec --calendar AGENDA"),
        {id, names}));
  }
  return calendars.empty() ? std::string() : calendars.front();
}

std::string calendarOptionHelp() {
  return Loc::string("cli.quest.calendar",
                     "L'agenda de l'événement, quand plusieurs agendas ont le même identifiant");
}

Quest findQuest(const QuestStore& store, const std::string& id, Date day,
                const std::string& calendar) {
  const std::string dayKey = LocalCalendar::dayKey(day);
  std::optional<Quest> first;
  for (const auto* list : {&store.allDayQuests(), &store.quests()}) {
    for (const Quest& quest : *list) {
      if (!isQuestOf(quest, id)) continue;
      if (!calendar.empty() && !fromCalendar(store, quest, calendar)) continue;
      if (LocalCalendar::dayKey(quest.startDate) == dayKey) return store.whole(quest);
      if (!first) first = quest;
    }
  }
  if (first) return store.whole(*first);
  throw UsageError(Loc::format(Loc::string("cli.quest.unknown", "quête introuvable : %@"), {id}));
}

std::optional<DayEvent> eventBehind(const QuestStore& store, const Quest& quest, Date now,
                                    const std::string& calendar) {
  std::optional<DayEvent> event = store.dayEvent(quest, calendar);
  if (!event && store.source() != QuestSource::agenda) {
    for (const DayEvent& sample : mockEvents(now)) {
      if ("quest_" + sample.id == quest.id) event = sample;
    }
  }
  // The occurrences of a series share one quest id and the store keeps one of them: the others
  // are that one at their own start.
  if (event && std::fabs(event->startDate - quest.startDate) >= 1) {
    const double length = event->endDate - event->startDate;
    event->startDate = quest.startDate;
    event->endDate = quest.startDate.adding(length);
  }
  return event;
}

QuickSentence readQuickSentence(const std::vector<std::string>& words, Date now) {
  QuickSentence sentence;
  for (const std::string& word : words) sentence.text += (sentence.text.empty() ? "" : " ") + word;
  // Read, shown and written as the terminal may show it: what the parser reads is what the
  // coloured echo shows and what the calendar gets.
  sentence.text = text::terminalSafe(sentence.text, true);
  if (text::trim(sentence.text).empty()) {
    throw UsageError(
        Loc::string("cli.quick.empty", "phrase vide : écris par exemple « Goûter demain 16h »"));
  }
  std::optional<ParsedEvent> draft = QuickParse::parse(sentence.text, now);
  if (!draft) {
    // The whole sentence, on one line: the message must stay a single line.
    std::string shown(text::trim(sentence.text));
    std::replace_if(
        shown.begin(), shown.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    throw UsageError(Loc::format(
        Loc::string("cli.quick.noTime",
                    "« %@ » : aucune date ni heure, rien à placer dans l'agenda (essaie par "
                    "exemple « demain 18h »)"),
        {shown}));
  }
  sentence.draft = std::move(*draft);
  return sentence;
}

Json storeJson(const QuestStore& store) {
  return Json{{"statusLine", store.statusLine()},
              {"source", std::string(rawValue(store.source()))},
              {"label", store.currentLabel()}};
}

namespace {

// Calls `day(date, first, last)` for each day of the window with the range of its items.
template <class F>
void forEachDay(const std::vector<QuestStore::AgendaItem>& items, Date from, int days, F day) {
  Date date = LocalCalendar::startOfDay(from);
  size_t next = 0;
  for (int i = 0; i < days; ++i) {
    const std::string key = LocalCalendar::dayKey(date);
    while (next < items.size() && LocalCalendar::dayKey(items[next].date) < key) ++next;
    size_t end = next;
    while (end < items.size() && LocalCalendar::dayKey(items[end].date) == key) ++end;
    day(date, next, end);
    next = end;
    date = LocalCalendar::startOfDay(LocalCalendar::addingDays(date, 1));
  }
}

}  // namespace

void printAgenda(std::ostream& out, const std::vector<QuestStore::AgendaItem>& items, Date from,
                 int days, bool showEmptyDays, CalendarTitleMode mode) {
  forEachDay(items, from, days, [&](Date date, size_t first, size_t last) {
    if (first == last && !showEmptyDays) return;
    out << "\n" << dayHeading(date) << "\n";
    if (first == last)
      out << "       " << Loc::string("cli.agenda.free", "Quartier libre.") << "\n";
    for (size_t i = first; i < last; ++i) out << questLine(items[i].quest, mode, items[i].allDay);
  });
}

Json agendaJson(const std::vector<QuestStore::AgendaItem>& items, Date from, int days,
                bool showEmptyDays) {
  DateStyleScope iso(DateStyle::iso8601);
  Json out = Json::array();
  forEachDay(items, from, days, [&](Date date, size_t first, size_t last) {
    if (first == last && !showEmptyDays) return;
    Json list = Json::array();
    for (size_t i = first; i < last; ++i) {
      const QuestStore::AgendaItem& item = items[i];
      list.push_back(Json{{"id", item.id},
                          {"date", json_coding::encode(item.date)},
                          {"allDay", item.allDay},
                          {"location", json_coding::encode(item.location)},
                          {"quest", json_coding::encode(item.quest)}});
    }
    out.push_back(Json{{"day", LocalCalendar::dayKey(date)}, {"items", std::move(list)}});
  });
  return out;
}

}  // namespace talewick::ui
