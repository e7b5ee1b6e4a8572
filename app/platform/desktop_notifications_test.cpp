// The desktop display against stand-ins for notify-send and gdbus that write down how they were
// called and answer as the real tools do.
#include "platform/desktop_notifications.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

namespace fs = std::filesystem;

class DesktopNotificationsTest : public ::testing::Test {
 protected:
  // A tool that appends its arguments (one per line, then "--end--") to `<name>.log` and prints
  // `answer`, then exits with `status`.
  fs::path tool(const std::string& name, const std::string& answer, int status = 0) {
    const fs::path log = folder / (name + ".log");
    const fs::path path =
        folder.write(name, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" +
                               log.string() + "'; done\necho --end-- >> '" + log.string() +
                               "'\nprintf '" + answer + "'\nexit " + std::to_string(status) + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
  }

  // Each call's arguments.
  std::vector<std::vector<std::string>> calls(const std::string& name) {
    std::vector<std::vector<std::string>> all(1);
    std::istringstream lines(folder.read(name + ".log"));
    for (std::string line; std::getline(lines, line);) {
      if (line == "--end--") {
        all.emplace_back();
      } else {
        all.back().push_back(line);
      }
    }
    all.pop_back();
    return all;
  }

  NotificationRequest request(const std::string& id) {
    return {id, "⚔️ Au combat ! Le Conseil", "-1 min : d'abord le café", "", Json::object(),
            {}};
  }

  testing::TempFolder folder{"desktop"};
  asio::io_context io;
};

TEST_F(DesktopNotificationsTest, ShowsWithTheServersIdAndReplacesByIdentifier) {
  DesktopNotifications desktop(io, tool("notify-send", "7\\n"), std::nullopt);
  desktop.show(request("quest_a_10"), {}, nullptr);
  io.run();
  io.restart();
  desktop.show(request("quest_a_10"), {}, nullptr);
  io.run();

  const auto made = calls("notify-send");
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[0],
            (std::vector<std::string>{
                "--app-name=Talewick", "--print-id", "--hint=string:x-talewick-id:quest_a_10",
                "--hint=string:sound-name:message-new-instant", "--",
                "⚔️ Au combat ! Le Conseil", "-1 min : d'abord le café"}));
  EXPECT_NE(std::find(made[1].begin(), made[1].end(), "--replace-id=7"), made[1].end());
}

TEST_F(DesktopNotificationsTest, ButtonsWaitForThePickAndReportIt) {
  DesktopNotifications desktop(io, tool("notify-send", "12\\nCOMBAT\\n"), std::nullopt);
  std::vector<std::string> picked;
  desktop.show(request("combat_q"), {{"COMBAT", "Combattre ⚔️"}, {"DODGE", "Esquiver"}},
               [&](std::string action) { picked.push_back(action); });
  io.run();
  const auto made = calls("notify-send");
  ASSERT_EQ(made.size(), 1u);
  for (const char* word : {"--wait", "--action=COMBAT=Combattre ⚔️", "--action=DODGE=Esquiver"})
    EXPECT_NE(std::find(made[0].begin(), made[0].end(), word), made[0].end()) << word;
  EXPECT_EQ(picked, std::vector<std::string>{"COMBAT"});
}

TEST_F(DesktopNotificationsTest, AFailingNotifySendIsToldOnce) {
  DesktopNotifications desktop(io, tool("notify-send", "", 1), std::nullopt);
  std::vector<std::string> told;
  desktop.onFailure = [&](const std::string& message) { told.push_back(message); };
  desktop.show(request("a"), {}, nullptr);
  desktop.show(request("b"), {}, nullptr);
  io.run();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("notify-send"), std::string::npos);
}

TEST_F(DesktopNotificationsTest, ClosingAsksTheServerThroughGdbus) {
  DesktopNotifications desktop(io, tool("notify-send", "31\\n"), tool("gdbus", ""));
  desktop.close("never-shown");
  desktop.show(request("invite_k"), {}, nullptr);
  io.run();
  desktop.close("invite_k");
  desktop.close("invite_k");  // already closed: nothing more to ask
  // gdbus runs on its own, unwaited: give it the time to write its log.
  for (int i = 0; i < 500 && calls("gdbus").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const auto made = calls("gdbus");
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0].back(), "31");
  EXPECT_NE(
      std::find(made[0].begin(), made[0].end(), "org.freedesktop.Notifications.CloseNotification"),
      made[0].end());
}

TEST_F(DesktopNotificationsTest, TheReplayOpensInTheUsersTerminalElseTheSystemsOne) {
  // The environment as the test found it comes back whatever happens.
  struct Restore {
    std::string name;
    std::optional<std::string> value;
    ~Restore() { value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str()); }
  };
  const auto saved = [](const char* name) {
    const char* v = std::getenv(name);
    return Restore{name, v ? std::optional<std::string>(v) : std::nullopt};
  };
  const Restore path = saved("PATH"), terminal = saved("TERMINAL");
  const std::vector<std::string> replay = {"talewick", "replay"};
  const fs::path bin = folder / "bin";
  ::setenv("PATH", bin.c_str(), 1);
  ::unsetenv("TERMINAL");
  EXPECT_FALSE(DesktopNotifications::terminalCommand(replay));  // no terminal at all

  for (const char* name : {"x-terminal-emulator", "kitty"}) {
    const fs::path made = folder.write(std::string("bin/") + name, "#!/bin/sh\n");
    ::chmod(made.c_str(), 0755);
  }
  folder.write("bin/not-runnable", "#!/bin/sh\n");
  const auto words = [&](const char* chosen) {
    chosen ? ::setenv("TERMINAL", chosen, 1) : ::unsetenv("TERMINAL");
    return DesktopNotifications::terminalCommand(replay).value_or(std::vector<std::string>{});
  };
  const std::string system = (bin / "x-terminal-emulator").string();
  const std::string kitty = (bin / "kitty").string();
  EXPECT_EQ(words(nullptr), (std::vector<std::string>{system, "-e", "talewick", "replay"}));
  EXPECT_EQ(words("kitty"), (std::vector<std::string>{kitty, "-e", "talewick", "replay"}));
  EXPECT_EQ(words(kitty.c_str()), (std::vector<std::string>{kitty, "-e", "talewick", "replay"}));
  // A chosen terminal that is gone, or cannot run: the system's.
  EXPECT_EQ(words("alacritty").front(), system);
  EXPECT_EQ(words((bin / "not-runnable").c_str()).front(), system);
  EXPECT_EQ(words("").front(), system);
}

}  // namespace
}  // namespace talewick
