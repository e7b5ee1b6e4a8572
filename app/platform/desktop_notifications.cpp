#include "platform/desktop_notifications.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <asio/posix/stream_descriptor.hpp>
#include <asio/read.hpp>
#include <cstdlib>
#include <sstream>

#include "platform/programs.hpp"
#include "support/loc.hpp"

namespace talewick {
namespace fs = std::filesystem;
using programs::findOnPath;
using programs::hasSessionBus;
using programs::spawn;
namespace {

// Calendar-like sound for a notification that should be heard, not only seen.
constexpr const char* kSound = "string:sound-name:message-new-instant";

}  // namespace

// One notify-send at work: its output is read until it ends.
struct DesktopNotifications::Shown {
  Shown(asio::io_context& main, int fd) : pipe(main, fd) {}
  asio::posix::stream_descriptor pipe;
  pid_t pid = -1;
  std::string identifier;
  std::string output;
  std::array<char, 256> chunk{};
  std::function<void(std::string)> onAction;
};

std::unique_ptr<DesktopNotifications> DesktopNotifications::open(asio::io_context& main,
                                                                 std::string& whyNot) {
  if (!hasSessionBus()) {
    whyNot = Loc::string("notify.off.noSession",
                         "Notifications désactivées : pas de session de bureau (D-Bus).");
    return nullptr;
  }
  const auto notifySend = findOnPath("notify-send");
  if (!notifySend) {
    whyNot = Loc::string("notify.off.noNotifySend",
                         "Notifications désactivées : notify-send est introuvable (paquet "
                         "libnotify-bin).");
    return nullptr;
  }
  return std::make_unique<DesktopNotifications>(main, *notifySend, findOnPath("gdbus"));
}

DesktopNotifications::DesktopNotifications(asio::io_context& main, fs::path notifySend,
                                           std::optional<fs::path> gdbus)
    : main_(main), notifySend_(std::move(notifySend)), gdbus_(std::move(gdbus)) {}

DesktopNotifications::~DesktopNotifications() {
  alive_.reset();
  forgetChildren();
}

void DesktopNotifications::show(const NotificationRequest& request,
                                const std::vector<NotificationAction>& actions,
                                std::function<void(std::string)> onAction) {
  forgetChildren();
  std::vector<std::string> argv = {notifySend_.string(), "--app-name=Talewick", "--print-id",
                                   "--hint=string:x-talewick-id:" + request.identifier,
                                   std::string("--hint=") + kSound};
  if (const auto shown = serverIds_.find(request.identifier); shown != serverIds_.end())
    argv.push_back("--replace-id=" + std::to_string(shown->second));
  if (!actions.empty()) argv.push_back("--wait");
  for (const NotificationAction& action : actions)
    argv.push_back("--action=" + action.identifier + "=" + action.title);
  argv.insert(argv.end(), {"--", request.title, request.body});

  int out = -1;
  const pid_t pid = spawn(argv, &out);
  if (pid < 0) {
    finished(request.identifier, "", -1, nullptr);
    return;
  }
  auto shown = std::make_shared<Shown>(main_, out);
  shown->pid = pid;
  shown->identifier = request.identifier;
  shown->onAction = std::move(onAction);
  // Reads until notify-send closes its output: at once without buttons, once the user is done
  // with the notification otherwise.
  auto readMore = std::make_shared<std::function<void()>>();
  std::weak_ptr<bool> alive = alive_;
  *readMore = [this, shown, readMore, alive] {
    shown->pipe.async_read_some(asio::buffer(shown->chunk), [this, shown, readMore, alive](
                                                                std::error_code error, size_t n) {
      shown->output.append(shown->chunk.data(), n);
      if (!error && !alive.expired()) return (*readMore)();
      *readMore = nullptr;  // breaks the cycle between the handler and itself
      if (alive.expired()) ::kill(shown->pid, SIGTERM);
      int status = -1;
      while (::waitpid(shown->pid, &status, 0) < 0 && errno == EINTR) {
      }
      if (alive.expired()) return;
      const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      finished(shown->identifier, shown->output, code, shown->onAction);
    });
  };
  (*readMore)();
}

void DesktopNotifications::finished(const std::string& identifier, const std::string& output,
                                    int status, const std::function<void(std::string)>& onAction) {
  if (status != 0) {
    if (!failureTold_ && onFailure)
      onFailure(Loc::string("notify.failed",
                            "notify-send a échoué : les notifications n'arrivent peut-être pas."));
    failureTold_ = true;
    return;
  }
  // First line: the server's id for the notification; a second line: the button picked.
  std::istringstream lines(output);
  std::string id, action;
  std::getline(lines, id);
  std::getline(lines, action);
  try {
    serverIds_[identifier] = static_cast<uint32_t>(std::stoul(id));
  } catch (const std::exception&) {
  }
  if (!action.empty() && onAction) onAction(action);
}

void DesktopNotifications::close(const std::string& identifier) {
  const auto shown = serverIds_.find(identifier);
  if (shown == serverIds_.end()) return;
  const uint32_t id = shown->second;
  serverIds_.erase(shown);
  if (!gdbus_) return;
  forgetChildren();
  const pid_t pid =
      spawn({gdbus_->string(), "call", "--session", "--dest", "org.freedesktop.Notifications",
             "--object-path", "/org/freedesktop/Notifications", "--method",
             "org.freedesktop.Notifications.CloseNotification", std::to_string(id)},
            nullptr);
  if (pid > 0) detached_.push_back(pid);
}

void DesktopNotifications::openURL(const std::string& url) {
  const auto opener = findOnPath("xdg-open");
  if (!opener) return;
  forgetChildren();
  const pid_t pid = spawn({opener->string(), url}, nullptr);
  if (pid > 0) detached_.push_back(pid);
}

std::optional<std::vector<std::string>> DesktopNotifications::terminalCommand(
    const std::vector<std::string>& command) {
  std::optional<fs::path> terminal;
  if (const char* chosen = std::getenv("TERMINAL"); chosen && *chosen) {
    const std::string name(chosen);
    if (name.find('/') == std::string::npos) {
      terminal = findOnPath(name);
    } else if (::access(name.c_str(), X_OK) == 0) {
      terminal = fs::path(name);
    }
  }
  // A $TERMINAL that is not installed any more must not leave the user without a window.
  if (!terminal) terminal = findOnPath("x-terminal-emulator");
  if (!terminal) return std::nullopt;
  std::vector<std::string> words = {terminal->string(), "-e"};
  words.insert(words.end(), command.begin(), command.end());
  return words;
}

bool DesktopNotifications::openInTerminal(const std::vector<std::string>& command) {
  const std::optional<std::vector<std::string>> words = terminalCommand(command);
  if (!words) return false;
  forgetChildren();
  const pid_t pid = spawn(*words, nullptr);
  if (pid > 0) detached_.push_back(pid);
  return pid > 0;
}

void DesktopNotifications::forgetChildren() {
  std::erase_if(detached_, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

}  // namespace talewick
