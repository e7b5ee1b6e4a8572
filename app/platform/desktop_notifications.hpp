// Notifications on a Linux desktop: the freedesktop notification server over the session bus,
// reached through libnotify's `notify-send`. A notification with buttons keeps its notify-send
// waiting for the user's pick (servers without actions show it without buttons); the answer is
// read from its output on the main loop. Closing a shown notification goes through `gdbus` when
// it is installed.
#pragma once

#include <sys/types.h>

#include <asio/io_context.hpp>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/notification_centre.hpp"

namespace talewick {

class DesktopNotifications : public NotificationDisplay {
 public:
  // The desktop's notifications, or null with the reason (a French sentence) in `whyNot` when
  // there is no desktop session or no notify-send.
  static std::unique_ptr<DesktopNotifications> open(asio::io_context& main, std::string& whyNot);

  DesktopNotifications(asio::io_context& main, std::filesystem::path notifySend,
                       std::optional<std::filesystem::path> gdbus);
  ~DesktopNotifications() override;

  void show(const NotificationRequest& request, const std::vector<NotificationAction>& actions,
            std::function<void(std::string)> onAction) override;
  void close(const std::string& identifier) override;
  // Opens a link in the user's browser or meeting application (xdg-open).
  void openURL(const std::string& url);
  // The words that run `command` in a terminal window: the terminal is $TERMINAL (a program on
  // PATH, or a path), else x-terminal-emulator on PATH, followed by "-e" and `command`. nullopt
  // when neither is there.
  static std::optional<std::vector<std::string>> terminalCommand(
      const std::vector<std::string>& command);
  // Starts `command` in a terminal window; false when there is no terminal (nothing started).
  bool openInTerminal(const std::vector<std::string>& command);

  // Told once, the first time notify-send fails (the server went away, a bad install).
  std::function<void(const std::string& message)> onFailure;

 private:
  struct Shown;
  void finished(const std::string& identifier, const std::string& output, int status,
                const std::function<void(std::string)>& onAction);
  void forgetChildren();

  asio::io_context& main_;
  std::filesystem::path notifySend_;
  std::optional<std::filesystem::path> gdbus_;
  std::map<std::string, uint32_t> serverIds_;  // our identifier → the server's notification id
  std::vector<pid_t> detached_;                // children nobody reads from, reaped as they end
  bool failureTold_ = false;
  // Readers still waiting on a notify-send when this object goes look at it before touching it.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace talewick
