#include "desktop/desktop_testing.hpp"

#include "tests/support/run_cli.hpp"

namespace talewick::desktop::testing {

std::vector<TestClass>& testClasses() {
  static std::vector<TestClass> classes;
  return classes;
}

Register::Register(const char* name, std::function<std::unique_ptr<QObject>()> make) {
  testClasses().push_back({name, std::move(make)});
}

TestHome::TestHome(const std::string& name, const char* now) : folder_("desktop-" + name) {
  ::talewick::testing::useCommandHome(folder_.path(), now);
  folder_.write("calendars/personnel/displayname", "Personnel\n");
}

TestHome::~TestHome() { ::talewick::testing::forgetCommandHome(); }

void TestHome::event(const std::string& uid, const std::string& summary, const std::string& start,
                     const std::string& end, const std::string& extra) const {
  const std::string kind = start.size() == 8 ? ";VALUE=DATE:" : ";TZID=Europe/Paris:";
  folder_.write(
      "calendars/personnel/" + uid + ".ics",
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//FR\r\nBEGIN:VEVENT\r\nUID:" + uid +
          "\r\nDTSTAMP:20261201T000000Z\r\nDTSTART" + kind + start + "\r\nDTEND" + kind + end +
          "\r\nSUMMARY:" + summary + "\r\n" + extra + "END:VEVENT\r\nEND:VCALENDAR\r\n");
}

void TestHome::aWeek() const {
  event("yoga", "Yoga", "20261207T180000", "20261207T190000",
        "LOCATION:Salle Hélène\r\nRRULE:FREQ=DAILY;COUNT=4\r\n");
  event("dentiste", "Rendez-vous dentiste", "20261209T143000", "20261209T151500");
  event("foire", "Foire aux santons", "20261209", "20261211");
  event("conseil", "Conseil de quartier", "20261215T100000", "20261215T113000");
}

std::vector<std::filesystem::path> TestHome::eventFiles() const {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder_ / "calendars/personnel")) {
    if (entry.path().extension() == ".ics") files.push_back(entry.path());
  }
  return files;
}

std::unique_ptr<DesktopSession> startedSession() {
  auto session = std::make_unique<DesktopSession>();
  // Tests run the loop themselves: a reload follows its notice at once.
  session->app().questStore().setReloadDelay(std::chrono::milliseconds(0));
  session->start();
  session->pump().pumpNow();
  return session;
}

}  // namespace talewick::desktop::testing
