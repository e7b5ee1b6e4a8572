// Talewick and the command-line tools that share its folders: khal reads and writes the same vdir
// calendars, todoman the same to-do lists. Each case lets one side write and checks what the other
// side reads. The tools run in a throwaway home inside the test's temporary folder, with their own
// configuration files, so the user's real calendars are never touched. Without khal and todoman
// on PATH (`make test-deps` installs them), the cases are skipped.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/vdir/calendar_store.hpp"
#include "platform/vdir/reminders_store.hpp"
#include "support/local_calendar.hpp"
#include "tests/support/process.hpp"
#include "tests/support/temp_folder.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick {
namespace {

namespace fs = std::filesystem;
using testing::localDate;
using testing::onPath;

// The interpreter named on the first line of a script ("#! /usr/bin/python3",
// "#!/usr/bin/env python3"): the Python that has khal's libraries.
fs::path interpreterOf(const fs::path& script) {
  std::ifstream in(script);
  std::string line, program, argument;
  std::getline(in, line);
  if (line.starts_with("#!")) std::istringstream(line.substr(2)) >> program >> argument;
  if (fs::path(program).filename() == "env" && !argument.empty()) program = argument;
  if (program.empty()) program = "python3";
  return program.find('/') == std::string::npos ? onPath(program).value_or(program)
                                                : fs::path(program);
}

std::vector<std::string> sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// "2026-11-03", or "2026-11-03 10:00" `withTime`, on the local clock (Paris under CTest), as
// khal prints them with the formats of the configuration below.
std::string local(Date d, bool withTime = false) {
  const LocalCalendar::Fields f = LocalCalendar::fields(d);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", f.year, f.month, f.day, f.hour,
                f.minute);
  return std::string(buf).substr(0, withTime ? 16 : 10);
}

// An occurrence as `khal list --format "{start} {end} {title}"` prints it: an all-day event by
// its first and last days (khal's end is the last day, Talewick's the midnight after it).
std::string khalLine(const CalendarEvent& e) {
  const Date end = e.allDay ? LocalCalendar::addingDays(e.end, -1) : e.end;
  return local(e.start, !e.allDay) + " " + local(end, !e.allDay) + " " + e.title.value_or("");
}

class VdirInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::optional<fs::path> khalPath = onPath("khal");
    // Debian names todoman's command `todoman`; pip and most distributions, `todo`.
    std::optional<fs::path> todoPath = onPath("todo");
    if (!todoPath) todoPath = onPath("todoman");
    if (!khalPath || !todoPath) {
      GTEST_SKIP() << "khal and todoman (command `todo` or `todoman`) must be on PATH for the "
                      "interoperability tests; install them with `make test-deps` or "
                      "`apt-get install -y khal todoman`. Missing:"
                   << (khalPath ? "" : " khal") << (todoPath ? "" : " todo");
    }
    khal_ = *khalPath;
    todo_ = *todoPath;
    for (const char* folder : {"home/.config", "calendriers/perso", "calendriers/travail",
                               "taches/courses", "taches/maison"}) {
      fs::create_directories(root_ / folder);
    }

    std::string khalSettings = "[calendars]\n";
    for (const char* calendar : {"perso", "travail"}) {
      khalSettings += std::string("[[") + calendar +
                      "]]\npath = " + (calendars_ / calendar).string() + "\ntype = calendar\n";
    }
    khalSettings +=
        "[locale]\ntimeformat = %H:%M\ndateformat = %Y-%m-%d\nlongdateformat = %Y-%m-%d\n"
        "datetimeformat = %Y-%m-%d %H:%M\nlongdatetimeformat = %Y-%m-%d %H:%M\n"
        "local_timezone = Europe/Paris\ndefault_timezone = Europe/Paris\n"
        "[default]\ndefault_calendar = perso\n[sqlite]\npath = " +
        (root_ / "home" / "khal.db").string() + "\n";
    folder_.write("khal.conf", khalSettings);
    // todoman's configuration is a Python module, hence the name.
    folder_.write("todoman_config.py",
                  "path = \"" + tasks_.string() +
                      "/*\"\ndate_format = \"%Y-%m-%d\"\ntime_format = \"%H:%M\"\n"
                      "default_list = \"maison\"\ndefault_due = 0\ncache_path = \"" +
                      (root_ / "home" / "todoman.sqlite3").string() + "\"\n");
  }

  // Runs a tool that must succeed without a word on standard error, with a clean environment
  // whose home lies in the temporary folder, the Paris clock and a locale every system has; its
  // standard output.
  std::string quietly(const std::vector<std::string>& argv) {
    // XDG_CONFIG_DIRS keeps the system-wide settings out; the other XDG folders follow HOME.
    const testing::ProcessResult r =
        testing::runProcess(argv,
                            {{"HOME", root_ / "home"},
                             {"XDG_CONFIG_DIRS", root_ / "home" / ".config"},
                             {"TZ", "Europe/Paris"},
                             {"LANG", "C.UTF-8"},
                             {"LC_ALL", "C.UTF-8"},
                             {"PYTHONDONTWRITEBYTECODE", "1"}},
                            root_ / "sorties");
    std::string command;
    for (const std::string& word : argv) command += " " + word;
    EXPECT_EQ(r.status, 0) << command << "\n" << r.err;
    EXPECT_EQ(r.err, "") << command;
    return r.out;
  }

  std::string khal(std::vector<std::string> args) {
    args.insert(args.begin(), {khal_.string(), "-c", (root_ / "khal.conf").string()});
    return quietly(args);
  }

  // The tasks `todo list ARGS` shows, from its JSON output (--porcelain, stable across versions).
  // Only `list` gets it: with it, todoman would read the dates given to `new` as timestamps.
  nlohmann::json todoList(std::vector<std::string> args) {
    args.insert(args.begin(), {"--porcelain", "list"});
    return nlohmann::json::parse(todo(args), nullptr, false);
  }

  std::string todo(std::vector<std::string> args) {
    args.insert(args.begin(), {todo_.string(), "--config", (root_ / "todoman_config.py").string()});
    return quietly(args);
  }

  // Checks that both sides see the same occurrences from day `first` to day `last` (both
  // included), one line per occurrence, sorted; khal's lines. khal repeats an event that covers
  // several days once per day: its repeats go, while Talewick's duplicates would stay and show.
  std::vector<std::string> agreed(VdirCalendarStore& store, Date first, Date last,
                                  const std::string& step) {
    SCOPED_TRACE(step + " (" + local(first) + " → " + local(last) + ")");
    std::vector<std::string> seenByKhal;
    std::istringstream out(khal({"list", "--format", "{start} {end} {title}", "--day-format", "",
                                 local(first), local(last)}));
    for (std::string line; std::getline(out, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) seenByKhal.push_back(line);
    }
    seenByKhal = sorted(seenByKhal);
    seenByKhal.erase(std::unique(seenByKhal.begin(), seenByKhal.end()), seenByKhal.end());
    std::vector<std::string> seenByTalewick;
    for (const CalendarEvent& e : store.events(
             store.predicateForEvents(first, LocalCalendar::addingDays(last, 1), std::nullopt))) {
      seenByTalewick.push_back(khalLine(e));
    }
    EXPECT_EQ(sorted(seenByTalewick), seenByKhal);
    return seenByKhal;
  }

  // The occurrence titled `title` that starts at `start`, as Talewick reads it.
  static std::optional<CalendarEvent> occurrence(VdirCalendarStore& store, const std::string& title,
                                                 Date start) {
    for (CalendarEvent& e : store.events(
             store.predicateForEvents(LocalCalendar::startOfDay(start),
                                      LocalCalendar::addingDays(start, 1), std::nullopt))) {
      if (e.title == title && e.start == start) return e;
    }
    return std::nullopt;
  }

  // The events every calendar case starts from, written by khal: a single timed event, an
  // all-day event over two days, and a weekly series across the end of summer time.
  void khalWritesTheUsualWeek() {
    khal({"new", "-a", "perso", "2026-11-03", "10:00", "11:30", "Goûter des dragons"});
    khal({"new", "-a", "perso", "2026-11-05", "2026-11-06", "Fête des lanternes"});
    khal({"new", "-a", "travail", "-r", "weekly", "-u", "2026-12-01", "2026-10-19", "18:00",
          "19:00", "Club d'échecs"});
  }

  testing::TempFolder folder_{"interop"};
  const fs::path root_ = folder_.path();
  const fs::path calendars_ = root_ / "calendriers";
  const fs::path tasks_ = root_ / "taches";
  fs::path khal_;
  fs::path todo_;
  // The autumn the calendar cases look at.
  const Date from_ = localDate(2026, 10, 12), to_ = localDate(2026, 12, 13);
};

// With khal's own Python libraries: cancels the 16 November meeting (EXDATE, through the function
// ikhal uses to delete one instance) and moves the 23 November one to Tuesday evening
// (RECURRENCE-ID override). The file is replaced by a rename, as sync tools do.
const char* const kAddExceptions = R"(import datetime, os, sys
import icalendar, pytz
from khal.icalendar import delete_instance

path = sys.argv[1]
with open(path, 'rb') as f:
    cal = icalendar.Calendar.from_ical(f.read())
paris = pytz.timezone('Europe/Paris')
def local(*fields):
    return paris.localize(datetime.datetime(*fields))
master = next(iter(cal.walk('VEVENT')))
delete_instance(master, local(2026, 11, 16, 18, 0))
moved = icalendar.Event()
moved['UID'] = master['UID']
moved.add('DTSTAMP', datetime.datetime(2026, 10, 1, 8, 0, tzinfo=pytz.utc))
moved.add('RECURRENCE-ID', local(2026, 11, 23, 18, 0))
moved.add('DTSTART', local(2026, 11, 24, 20, 30))
moved.add('DTEND', local(2026, 11, 24, 21, 30))
moved.add('SUMMARY', "Club d'échecs : revanche")
cal.add_component(moved)
tmp = os.path.join(os.path.dirname(path), '.exceptions.tmp')
with open(tmp, 'wb') as f:
    f.write(cal.to_ical())
os.replace(tmp, path)
)";

TEST_F(VdirInteropTest, KhalWritesTalewickReads) {
  khalWritesTheUsualWeek();
  std::vector<fs::path> series;
  for (const fs::directory_entry& entry : fs::directory_iterator(calendars_ / "travail")) {
    if (entry.path().extension() == ".ics") series.push_back(entry.path());
  }
  ASSERT_EQ(series.size(), 1u);
  quietly({interpreterOf(khal_), folder_.write("exceptions.py", kAddExceptions), series[0]});
  ASSERT_FALSE(HasFailure());

  VdirCalendarStore store(calendars_, {}, false);
  // khal itself sees the exceptions: the comparison is not between two empty views.
  EXPECT_EQ(agreed(store, from_, to_, "the whole autumn"),
            sorted({
                "2026-10-19 18:00 2026-10-19 19:00 Club d'échecs",
                "2026-10-26 18:00 2026-10-26 19:00 Club d'échecs",
                "2026-11-02 18:00 2026-11-02 19:00 Club d'échecs",
                "2026-11-03 10:00 2026-11-03 11:30 Goûter des dragons",
                "2026-11-05 2026-11-06 Fête des lanternes",
                "2026-11-09 18:00 2026-11-09 19:00 Club d'échecs",
                "2026-11-24 20:30 2026-11-24 21:30 Club d'échecs : revanche",
                "2026-11-30 18:00 2026-11-30 19:00 Club d'échecs",
            }));

  // Narrow windows, where the edges decide.
  EXPECT_EQ(agreed(store, localDate(2026, 11, 6), localDate(2026, 11, 9), "last day of the fête"),
            sorted({"2026-11-05 2026-11-06 Fête des lanternes",
                    "2026-11-09 18:00 2026-11-09 19:00 Club d'échecs"}));
  EXPECT_EQ(agreed(store, localDate(2026, 11, 16), localDate(2026, 11, 16), "cancelled day"),
            std::vector<std::string>{});
  EXPECT_EQ(agreed(store, localDate(2026, 11, 23), localDate(2026, 11, 23), "day moved away"),
            std::vector<std::string>{});
  EXPECT_EQ(agreed(store, localDate(2026, 10, 25), localDate(2026, 10, 26), "end of summer time"),
            std::vector<std::string>{"2026-10-26 18:00 2026-10-26 19:00 Club d'échecs"});
}

TEST_F(VdirInteropTest, TalewickWritesKhalReads) {
  khalWritesTheUsualWeek();
  ASSERT_FALSE(HasFailure());
  VdirCalendarStore store(calendars_, {}, false);
  agreed(store, from_, to_, "as khal wrote it");

  // New events, a timed one and an all-day one over two days.
  CalendarEvent bal;
  bal.calendarID = "perso";
  bal.title = "Bal des lucioles";
  bal.start = localDate(2026, 11, 12, 20, 0);
  bal.end = localDate(2026, 11, 12, 23, 0);
  store.save(bal, EventSpan::thisEvent);
  CalendarEvent market;
  market.calendarID = "travail";
  market.title = "Marché de Noël des lutins";
  market.allDay = true;
  market.start = localDate(2026, 11, 27);
  market.end = localDate(2026, 11, 29);
  store.save(market, EventSpan::thisEvent);
  agreed(store, from_, to_, "new events");

  // One meeting moved to the Tuesday after, another one cancelled.
  const std::string club = "Club d'échecs";
  std::optional<CalendarEvent> moved = occurrence(store, club, localDate(2026, 11, 9, 18, 0));
  ASSERT_TRUE(moved.has_value());
  moved->start = localDate(2026, 11, 10, 19, 30);
  moved->end = localDate(2026, 11, 10, 20, 30);
  store.save(*moved, EventSpan::thisEvent);
  agreed(store, from_, to_, "one occurrence moved");
  std::optional<CalendarEvent> cancelled = occurrence(store, club, localDate(2026, 11, 16, 18, 0));
  ASSERT_TRUE(cancelled.has_value());
  store.remove(*cancelled, EventSpan::thisEvent);
  agreed(store, from_, to_, "one occurrence deleted");

  // From 23 November on, the meetings get a new name.
  std::optional<CalendarEvent> renamed = occurrence(store, club, localDate(2026, 11, 23, 18, 0));
  ASSERT_TRUE(renamed.has_value());
  renamed->title = "Club d'échecs (nouvelle formule)";
  store.save(*renamed, EventSpan::futureEvents);
  agreed(store, from_, to_, "this and the following occurrences renamed");

  // The single event khal wrote, removed "with the following ones": it is gone. Every step above
  // shows in the end.
  std::optional<CalendarEvent> snack =
      occurrence(store, "Goûter des dragons", localDate(2026, 11, 3, 10, 0));
  ASSERT_TRUE(snack.has_value());
  store.remove(*snack, EventSpan::futureEvents);
  EXPECT_EQ(agreed(store, from_, to_, "single event removed"),
            sorted({
                "2026-10-19 18:00 2026-10-19 19:00 Club d'échecs",
                "2026-10-26 18:00 2026-10-26 19:00 Club d'échecs",
                "2026-11-02 18:00 2026-11-02 19:00 Club d'échecs",
                "2026-11-05 2026-11-06 Fête des lanternes",
                "2026-11-10 19:30 2026-11-10 20:30 Club d'échecs",
                "2026-11-12 20:00 2026-11-12 23:00 Bal des lucioles",
                "2026-11-23 18:00 2026-11-23 19:00 Club d'échecs (nouvelle formule)",
                "2026-11-27 2026-11-28 Marché de Noël des lutins",
                "2026-11-30 18:00 2026-11-30 19:00 Club d'échecs (nouvelle formule)",
            }));
}

// A task of todoman's JSON output, by its title.
const nlohmann::json* taskTitled(const nlohmann::json& tasks, const std::string& title) {
  for (const nlohmann::json& t : tasks) {
    if (t.value("summary", "") == title) return &t;
  }
  return nullptr;
}

std::vector<std::string> titlesOf(const nlohmann::json& tasks) {
  std::vector<std::string> out;
  for (const nlohmann::json& t : tasks) out.push_back(t.value("summary", ""));
  return sorted(out);
}

TEST_F(VdirInteropTest, TodomanAndTalewickShareTasks) {
  const std::string chestnuts = "Acheter des marrons pour la veillée";
  const std::string cabin = "Réparer la cabane des écureuils";
  todo({"new", "-l", "courses", "--due", "2026-12-24 17:30", chestnuts});
  todo({"new", "-l", "maison", "--priority", "high", cabin});
  const nlohmann::json written = todoList({});
  const nlohmann::json* chestnutsTask = taskTitled(written, chestnuts);
  const nlohmann::json* cabinTask = taskTitled(written, cabin);
  ASSERT_TRUE(chestnutsTask && cabinTask) << written.dump(2);

  VdirRemindersStore store(tasks_);
  std::vector<ReminderItem> items = store.incompleteReminders();
  ASSERT_EQ(items.size(), 2u);
  // Lists come in folder-name order: "courses", then "maison".
  const ReminderItem shopping = items[0];
  const ReminderItem repair = items[1];
  ASSERT_EQ(shopping.title, chestnuts);
  ASSERT_EQ(repair.title, cabin);

  ASSERT_TRUE(shopping.due.has_value());
  EXPECT_EQ(shopping.due->date, localDate(2026, 12, 24, 17, 30));
  EXPECT_TRUE(shopping.due->hasTime);
  EXPECT_EQ(shopping.due->date.unix(), (*chestnutsTask)["due"].get<double>());
  EXPECT_EQ(shopping.priority, 0);
  EXPECT_EQ(shopping.listTitle, "courses");

  EXPECT_FALSE(repair.due.has_value());
  // "high" lies in the upper third of iCalendar's 1 (highest) … 9 (lowest).
  EXPECT_EQ(repair.priority, (*cabinTask)["priority"].get<int>());
  EXPECT_GE(repair.priority, 1);
  EXPECT_LE(repair.priority, 4);
  EXPECT_EQ(repair.listTitle, "maison");

  const Date finishedAt = localDate(2026, 12, 1, 9, 15);
  ASSERT_TRUE(store.complete(repair.identifier, finishedAt));
  items = store.incompleteReminders();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items.front().title, chestnuts);

  // todoman reads the rewritten file: the task left the default list for the completed one.
  EXPECT_EQ(titlesOf(todoList({})), std::vector<std::string>{chestnuts});
  const nlohmann::json done = todoList({"--status", "COMPLETED"});
  EXPECT_EQ(titlesOf(done), std::vector<std::string>{cabin});
  if (const nlohmann::json* t = taskTitled(done, cabin)) {
    EXPECT_TRUE(t->value("completed", false));
    EXPECT_EQ(t->value("percent", 0), 100);
    EXPECT_EQ((*t)["completed_at"].get<double>(), finishedAt.unix());
    EXPECT_EQ(t->value("list", ""), "maison");
  }
}

}  // namespace
}  // namespace talewick
