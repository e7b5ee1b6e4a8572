#include "desktop/asio_pump.hpp"

#include <asio/io_context.hpp>
#include <exception>

namespace talewick::desktop {

AsioPump::AsioPump(asio::io_context& loop, QObject* parent) : QObject(parent), loop_(loop) {
  idle_.setInterval(IDLE_EVERY);
  connect(&idle_, &QTimer::timeout, this, [this] { pumpNow(); });
  idle_.start();
  soon_.setSingleShot(true);
  soon_.setInterval(0);
  connect(&soon_, &QTimer::timeout, this, [this] { pumpNow(); });
}

std::size_t AsioPump::pumpNow() {
  std::size_t ran = 0;
  // A bounded number of rounds: a handler that re-posts itself forever must not freeze the window.
  for (int round = 0; round < 64; ++round) {
    // An io_context that ran out of work stops; it must be restarted before it runs anything.
    if (loop_.stopped()) loop_.restart();
    std::size_t now = 0;
    try {
      now = loop_.poll();
    } catch (const std::exception& e) {
      emit failed(QString::fromStdString(e.what()));
      now = 1;  // the handlers after the one that threw are still waiting
    }
    ran += now;
    if (now == 0) break;
  }
  return ran;
}

void AsioPump::kick() {
  if (!soon_.isActive()) soon_.start();
}

}  // namespace talewick::desktop
