// Talewick and the command-line tools that share its folders: khal reads and writes the same vdir
// calendars, todoman the same to-do lists. Each case lets one side write and checks what the other
// side reads. The tools run in a throwaway home inside the test's temporary folder, with their own
// configuration files, so the user's real calendars are never touched. Without khal and todoman
// on PATH (`make test-deps` installs them), the cases are skipped.
#include <gtest/gtest.h>
#include <sys/wait.h>
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

#include "platform/vdir_calendar_store.hpp"
#include "platform/vdir_reminders_store.hpp"
#include "support/local_calendar.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick {
namespace {

namespace fs = std::filesystem;
using testing::localDate;

// The first executable called `name` in the folders of PATH.
std::optional<fs::path> onPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "";
  for (;;) {
    const size_t colon = rest.find(':');
    const std::string folder(rest.substr(0, colon));
    const fs::path candidate = fs::path(folder.empty() ? "." : folder) / name;
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    if (colon == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(colon + 1);
  }
}

// `text` as one word for /bin/sh.
std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// The interpreter named on the first line of a script ("#! /usr/bin/python3",
// "#!/usr/bin/env python3"): the Python that has khal's libraries.
std::string interpreterOf(const fs::path& script) {
  std::ifstream in(script);
  std::string line;
  std::getline(in, line);
  if (line.rfind("#!", 0) != 0) return "python3";
  std::istringstream words(line.substr(2));
  std::string program, argument;
  words >> program >> argument;
  if (fs::path(program).filename() == "env" && !argument.empty()) return argument;
  return program.empty() ? "python3" : program;
}

std::vector<std::string> nonEmptyLines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) out.push_back(line);
  }
  return out;
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// "2026-11-03" and "2026-11-03 10:00" on the local clock (Paris under CTest), as khal prints them
// with the formats of the configuration below.
std::string localDay(Date d) {
  const LocalCalendar::Fields f = LocalCalendar::fields(d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", f.year, f.month, f.day);
  return buf;
}

std::string localTime(Date d) {
  const LocalCalendar::Fields f = LocalCalendar::fields(d);
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d:%02d", f.hour, f.minute);
  return localDay(d) + " " + buf;
}

// An occurrence as `khal list --format "{start} {end} {title}"` prints it: an all-day event by
// its first and last days (khal's end is the last day, Talewick's the midnight after it).
std::string khalLine(const CalendarEvent& e) {
  const std::string title = e.title.value_or("");
  if (e.allDay) {
    return localDay(e.start) + " " + localDay(LocalCalendar::addingDays(e.end, -1)) + " " + title;
  }
  return localTime(e.start) + " " + localTime(e.end) + " " + title;
}

std::vector<std::string> sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Days from `first` to `last`, both included: khal's FROM and TO, and Talewick's query from the
// midnight starting `first` to the one ending `last`.
struct Days {
  Date first;
  Date last;
  std::string from() const { return localDay(first); }
  std::string to() const { return localDay(last); }
  Date start() const { return first; }
  Date end() const { return LocalCalendar::addingDays(last, 1); }
};

struct Output {
  int status = -1;
  std::string out;
  std::string err;
  std::string command;
};

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

    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = fs::path(::testing::TempDir()) /
            ("talewick-interop-" + std::to_string(::getpid()) + "-" + info->name());
    fs::remove_all(root_);
    for (const char* folder :
         {"home/.config", "home/.local/share", "home/.local/state", "home/.cache",
          "calendriers/perso", "calendriers/travail", "taches/courses", "taches/maison"}) {
      fs::create_directories(root_ / folder);
    }
    calendars_ = root_ / "calendriers";
    tasks_ = root_ / "taches";

    khalConfig_ = root_ / "khal.conf";
    std::string khalSettings = "[calendars]\n";
    for (const char* calendar : {"perso", "travail"}) {
      khalSettings += std::string("[[") + calendar + "]]\n";
      khalSettings += "path = " + (calendars_ / calendar).string() + "\n";
      khalSettings += "type = calendar\n";
    }
    khalSettings +=
        "[locale]\n"
        "timeformat = %H:%M\n"
        "dateformat = %Y-%m-%d\n"
        "longdateformat = %Y-%m-%d\n"
        "datetimeformat = %Y-%m-%d %H:%M\n"
        "longdatetimeformat = %Y-%m-%d %H:%M\n"
        "local_timezone = Europe/Paris\n"
        "default_timezone = Europe/Paris\n"
        "[default]\n"
        "default_calendar = perso\n"
        "[sqlite]\n";
    khalSettings += "path = " + (root_ / "home" / "khal.db").string() + "\n";
    writeText(khalConfig_, khalSettings);

    // todoman's configuration is a Python module, hence the name.
    todoConfig_ = root_ / "todoman_config.py";
    std::string todoSettings = "path = \"" + tasks_.string() + "/*\"\n";
    todoSettings +=
        "date_format = \"%Y-%m-%d\"\n"
        "time_format = \"%H:%M\"\n"
        "default_list = \"maison\"\n"
        "default_due = 0\n";
    todoSettings += "cache_path = \"" + (root_ / "home" / "todoman.sqlite3").string() + "\"\n";
    writeText(todoConfig_, todoSettings);
  }

  void TearDown() override {
    if (root_.empty()) return;
    if (HasFailure()) {
      std::fprintf(stderr, "files kept for inspection in %s\n", root_.c_str());
      return;
    }
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // Runs `argv` with a clean environment whose home and XDG folders lie in the temporary folder,
  // the Paris clock and a locale every system has.
  Output run(const std::vector<std::string>& argv) {
    const fs::path home = root_ / "home";
    const char* path = std::getenv("PATH");
    std::string command;
    for (const std::string& word : argv) command += (command.empty() ? "" : " ") + quoted(word);
    const fs::path errFile = root_ / "stderr.txt";
    const std::string line =
        "env -i PATH=" + quoted(path ? path : "/usr/bin:/bin") + " HOME=" + quoted(home) +
        " XDG_CONFIG_HOME=" + quoted(home / ".config") +
        " XDG_DATA_HOME=" + quoted(home / ".local/share") +
        " XDG_STATE_HOME=" + quoted(home / ".local/state") +
        " XDG_CACHE_HOME=" + quoted(home / ".cache") +
        " XDG_CONFIG_DIRS=" + quoted(home / ".config") +
        " TZ=Europe/Paris LANG=C.UTF-8 LC_ALL=C.UTF-8 PYTHONDONTWRITEBYTECODE=1 " + command +
        " </dev/null 2>" + quoted(errFile);
    Output o;
    o.command = command;
    std::fflush(nullptr);
    FILE* pipe = ::popen(line.c_str(), "r");
    if (!pipe) return o;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) o.out.append(buf, n);
    const int status = ::pclose(pipe);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.err = readText(errFile);
    return o;
  }

  // Runs a tool that must succeed without a word on standard error; its standard output.
  std::string quietly(const std::vector<std::string>& argv) {
    const Output o = run(argv);
    EXPECT_EQ(o.status, 0) << o.command << "\n" << o.err;
    EXPECT_EQ(o.err, "") << o.command;
    return o.out;
  }

  std::string khal(std::vector<std::string> args) {
    args.insert(args.begin(), {khal_.string(), "-c", khalConfig_.string()});
    return quietly(args);
  }

  std::string todo(std::vector<std::string> args) {
    args.insert(args.begin(), {todo_.string(), "--config", todoConfig_.string()});
    return quietly(args);
  }

  // The tasks `todo list ARGS` shows, from its JSON output (--porcelain, stable across versions).
  // Only `list` gets it: with it, todoman would read the dates given to `new` as timestamps.
  nlohmann::json todoList(std::vector<std::string> args) {
    args.insert(args.begin(), {"--porcelain", "list"});
    return nlohmann::json::parse(todo(args), nullptr, false);
  }

  // What khal lists over `days`, one line per occurrence, sorted (khal repeats an event that
  // covers several days once per day).
  std::vector<std::string> khalList(const Days& days) {
    std::vector<std::string> lines =
        sorted(nonEmptyLines(khal({"list", "--format", "{start} {end} {title}", "--day-format", "",
                                   days.from(), days.to()})));
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
  }

  // What Talewick reads over `days`, in the same form (every occurrence kept, duplicates too).
  static std::vector<std::string> talewickList(VdirCalendarStore& store, const Days& days) {
    std::vector<std::string> lines;
    for (const CalendarEvent& e :
         store.events(store.predicateForEvents(days.start(), days.end(), std::nullopt))) {
      lines.push_back(khalLine(e));
    }
    return sorted(lines);
  }

  // Checks that both sides see the same occurrences over `days`; khal's lines.
  std::vector<std::string> agreed(VdirCalendarStore& store, const Days& days,
                                  const std::string& step) {
    SCOPED_TRACE(step + " (" + days.from() + " → " + days.to() + ")");
    std::vector<std::string> seenByKhal = khalList(days);
    EXPECT_EQ(talewickList(store, days), seenByKhal);
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

  // The one event file of a calendar folder.
  fs::path onlyFile(const std::string& calendar) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(calendars_ / calendar)) {
      if (entry.path().extension() == ".ics") files.push_back(entry.path());
    }
    EXPECT_EQ(files.size(), 1u) << calendar;
    return files.empty() ? fs::path() : files.front();
  }

  // The events every calendar case starts from, written by khal: a single timed event, an
  // all-day event over two days, and a weekly series across the end of summer time.
  void khalWritesTheUsualWeek() {
    khal({"new", "-a", "perso", "2026-11-03", "10:00", "11:30", "Goûter des dragons"});
    khal({"new", "-a", "perso", "2026-11-05", "2026-11-06", "Fête des lanternes"});
    khal({"new", "-a", "travail", "-r", "weekly", "-u", "2026-12-01", "2026-10-19", "18:00",
          "19:00", "Club d'échecs"});
  }

  fs::path khal_;
  fs::path todo_;
  fs::path root_;
  fs::path calendars_;
  fs::path tasks_;
  fs::path khalConfig_;
  fs::path todoConfig_;
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
  const fs::path series = onlyFile("travail");
  ASSERT_FALSE(HasFailure());
  const fs::path script = root_ / "exceptions.py";
  writeText(script, kAddExceptions);
  quietly({interpreterOf(khal_), script.string(), series.string()});
  ASSERT_FALSE(HasFailure());

  VdirCalendarStore store(calendars_, {}, false);
  const Days autumn{localDate(2026, 10, 12), localDate(2026, 12, 13)};
  const std::vector<std::string> seen = agreed(store, autumn, "the whole autumn");
  // khal itself sees the exceptions: the comparison above is not between two empty views.
  EXPECT_EQ(seen, sorted({
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
  EXPECT_EQ(agreed(store, {localDate(2026, 11, 6), localDate(2026, 11, 9)}, "last day of the fête"),
            sorted({"2026-11-05 2026-11-06 Fête des lanternes",
                    "2026-11-09 18:00 2026-11-09 19:00 Club d'échecs"}));
  EXPECT_EQ(agreed(store, {localDate(2026, 11, 16), localDate(2026, 11, 16)}, "cancelled day"),
            std::vector<std::string>{});
  EXPECT_EQ(agreed(store, {localDate(2026, 11, 23), localDate(2026, 11, 23)}, "day moved away"),
            std::vector<std::string>{});
  EXPECT_EQ(agreed(store, {localDate(2026, 10, 25), localDate(2026, 10, 26)}, "end of summer time"),
            std::vector<std::string>{"2026-10-26 18:00 2026-10-26 19:00 Club d'échecs"});
}

TEST_F(VdirInteropTest, TalewickWritesKhalReads) {
  khalWritesTheUsualWeek();
  ASSERT_FALSE(HasFailure());
  VdirCalendarStore store(calendars_, {}, false);
  const Days autumn{localDate(2026, 10, 12), localDate(2026, 12, 13)};
  agreed(store, autumn, "as khal wrote it");

  // New events, a timed one and an all-day one over two days.
  CalendarEvent bal;
  bal.calendarID = "perso";
  bal.title = "Bal des lucioles";
  bal.start = localDate(2026, 11, 12, 20, 0);
  bal.end = localDate(2026, 11, 12, 23, 0);
  store.save(bal, EventSpan::thisEvent);
  EXPECT_FALSE(bal.eventIdentifier.empty());
  CalendarEvent market;
  market.calendarID = "travail";
  market.title = "Marché de Noël des lutins";
  market.allDay = true;
  market.start = localDate(2026, 11, 27);
  market.end = localDate(2026, 11, 29);
  store.save(market, EventSpan::thisEvent);
  std::vector<std::string> seen = agreed(store, autumn, "new events");
  EXPECT_TRUE(contains(seen, "2026-11-12 20:00 2026-11-12 23:00 Bal des lucioles"));
  EXPECT_TRUE(contains(seen, "2026-11-27 2026-11-28 Marché de Noël des lutins"));

  // One meeting moved to the Tuesday after.
  std::optional<CalendarEvent> moved =
      occurrence(store, "Club d'échecs", localDate(2026, 11, 9, 18, 0));
  ASSERT_TRUE(moved.has_value());
  moved->start = localDate(2026, 11, 10, 19, 30);
  moved->end = localDate(2026, 11, 10, 20, 30);
  store.save(*moved, EventSpan::thisEvent);
  seen = agreed(store, autumn, "one occurrence moved");
  EXPECT_TRUE(contains(seen, "2026-11-10 19:30 2026-11-10 20:30 Club d'échecs"));
  EXPECT_FALSE(contains(seen, "2026-11-09 18:00 2026-11-09 19:00 Club d'échecs"));

  // Another one cancelled.
  std::optional<CalendarEvent> cancelled =
      occurrence(store, "Club d'échecs", localDate(2026, 11, 16, 18, 0));
  ASSERT_TRUE(cancelled.has_value());
  store.remove(*cancelled, EventSpan::thisEvent);
  seen = agreed(store, autumn, "one occurrence deleted");
  EXPECT_FALSE(contains(seen, "2026-11-16 18:00 2026-11-16 19:00 Club d'échecs"));

  // From 23 November on, the meetings get a new name.
  std::optional<CalendarEvent> renamed =
      occurrence(store, "Club d'échecs", localDate(2026, 11, 23, 18, 0));
  ASSERT_TRUE(renamed.has_value());
  renamed->title = "Club d'échecs (nouvelle formule)";
  store.save(*renamed, EventSpan::futureEvents);
  agreed(store, autumn, "this and the following occurrences renamed");

  // The single event khal wrote, removed "with the following ones": it is gone.
  std::optional<CalendarEvent> snack =
      occurrence(store, "Goûter des dragons", localDate(2026, 11, 3, 10, 0));
  ASSERT_TRUE(snack.has_value());
  store.remove(*snack, EventSpan::futureEvents);
  seen = agreed(store, autumn, "single event removed");
  EXPECT_EQ(seen, sorted({
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
  ASSERT_TRUE(written.is_array());
  const nlohmann::json* chestnutsTask = taskTitled(written, chestnuts);
  const nlohmann::json* cabinTask = taskTitled(written, cabin);
  ASSERT_TRUE(chestnutsTask && cabinTask) << written.dump(2);

  VdirRemindersStore store(tasks_);
  std::vector<ReminderItem> items = store.incompleteReminders();
  ASSERT_EQ(items.size(), 2u);
  auto item = [&](const std::string& title) {
    return std::find_if(items.begin(), items.end(),
                        [&](const ReminderItem& r) { return r.title == title; });
  };
  ASSERT_NE(item(chestnuts), items.end());
  ASSERT_NE(item(cabin), items.end());
  const ReminderItem shopping = *item(chestnuts);
  const ReminderItem repair = *item(cabin);

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
  const nlohmann::json open = todoList({});
  ASSERT_TRUE(open.is_array());
  EXPECT_EQ(titlesOf(open), std::vector<std::string>{chestnuts});
  const nlohmann::json done = todoList({"--status", "COMPLETED"});
  ASSERT_TRUE(done.is_array());
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
