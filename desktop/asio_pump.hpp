// Drives the stores' main loop (an Asio io_context) from Qt's event loop, on the one main thread
// both share: the stores never see another thread, and the views read them between two turns.
//
// Why a short timer rather than anything finer: work reaches the io_context three ways — posts
// from Qt-side calls (kick() covers those at once), results the serial queues post from their
// threads, and the reactor's own readiness (the folders' inotify descriptors, Asio timers such as
// the store's reload delay). Asio tells nobody about the last two except a thread blocked in
// run(), and its reactor descriptor is not public, so Qt cannot wait on it. A poll() with nothing
// ready is one epoll_wait(0) — microseconds — so looking every IDLE_EVERY costs nothing
// measurable, and it keeps every change within well under the second the window promises.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstddef>

namespace asio {
class io_context;
}

namespace talewick::desktop {

class AsioPump : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds IDLE_EVERY{25};

  explicit AsioPump(asio::io_context& loop, QObject* parent = nullptr);

  // Runs every handler ready now, and what they make ready in turn; the number run. A handler
  // that throws (a store that could not save) is reported through failed() and the rest run.
  std::size_t pumpNow();
  // Work was just posted from the Qt side: run it at the next turn of Qt's loop.
  void kick();

 signals:
  void failed(const QString& line);

 private:
  asio::io_context& loop_;
  QTimer idle_;
  QTimer soon_;
};

}  // namespace talewick::desktop
