// What the window's tests share: Qt Test programs registered by name in one executable, and a
// temporary home with a calendar folder and a fixed clock, over which a session is made.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/desktop_session.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::desktop::testing {

// Every Qt Test class of the program, by name; tests_main.cpp runs the one asked for.
struct TestClass {
  const char* name;
  std::function<std::unique_ptr<QObject>()> make;
};
std::vector<TestClass>& testClasses();
struct Register {
  Register(const char* name, std::function<std::unique_ptr<QObject>()> make);
};
#define TALEWICK_DESKTOP_TEST(Class)                                     \
  static const ::talewick::desktop::testing::Register registered##Class( \
      #Class, [] { return std::make_unique<Class>(); })

// A temporary home: TALEWICK_HOME points at it, now is fixed (Wednesday 9 December 2026, 09:00
// in Paris unless told otherwise), one calendar "Personnel" in calendars/personnel.
class TestHome {
 public:
  explicit TestHome(const std::string& name, const char* now = "2026-12-09T09:00:00+01:00");
  ~TestHome();

  const std::filesystem::path& path() const { return folder_.path(); }
  // An event of the personnel calendar; `start` and `end` are Paris wall-clock times
  // ("20261209T143000") or days ("20261209", all day).
  void event(const std::string& uid, const std::string& summary, const std::string& start,
             const std::string& end, const std::string& extra = "") const;
  // Yoga every evening Monday to Thursday, the dentist on Wednesday afternoon, a two-day fair
  // from Wednesday, and a council next Tuesday.
  void aWeek() const;
  // The .ics files of the personnel calendar.
  std::vector<std::filesystem::path> eventFiles() const;

 private:
  ::talewick::testing::TempFolder folder_;
};

// A session over the current home, started, its first work run.
std::unique_ptr<DesktopSession> startedSession();

}  // namespace talewick::desktop::testing
