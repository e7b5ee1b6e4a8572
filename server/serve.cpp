#include "server/serve.hpp"

#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "server/api.hpp"
#include "server/storage.hpp"

namespace talewick::server {
namespace {

constexpr size_t KEEP_ALIVE_REQUESTS = 10000;
constexpr size_t WORKERS = 64;

}  // namespace

void serve(const Config& config, Log& log) {
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  const std::unique_ptr<Storage> storage = openStorage(config.database);
  httplib::Server server;
  // Answers are small and written in pieces (headers, then body): without it, delayed
  // acknowledgements hold each answer of a kept-alive connection back by some 40 ms.
  server.set_tcp_nodelay(true);
  // A kept-alive connection holds one worker for as long as it lives, and the library closes it
  // after a few requests by default: clients then reconnect all the time. Connections live long
  // here, with workers enough for every client of a busy machine or balancer.
  server.set_keep_alive_max_count(KEEP_ALIVE_REQUESTS);
  server.new_task_queue = [] { return new httplib::ThreadPool(WORKERS); };
  // The library listens with a queue of five: of more clients connecting at once, those dropped
  // there wait a whole second for TCP to try again. The queue is widened once bound.
  int listening = -1;
  server.set_socket_options([&listening](int socket) {
    httplib::default_socket_options(socket);
    listening = socket;
  });
  const Api api(config, *storage, log);
  api.mount(server);
  log.attach(server);

  ListenAddress address = config.listen;
  if (address.port == 0) {
    address.port = server.bind_to_any_port(address.host);
  } else if (!server.bind_to_port(address.host, address.port)) {
    address.port = -1;
  }
  if (address.port <= 0) {
    throw StartError("cannot listen on " + config.listen.text() + ": " + std::strerror(errno));
  }
  if (listening >= 0) ::listen(listening, SOMAXCONN);
  log.write("info", "listening", {{"address", address.text()}});

  std::atomic<bool> finished = false;
  std::thread stopper([&] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    if (finished) return;  // woken below: the server ended on its own
    log.write("info", "stopping", {{"signal", signal == SIGINT ? "SIGINT" : "SIGTERM"}});
    // stop() does nothing until the accept loop has begun, which it does as soon as the main
    // thread enters listen_after_bind().
    while (!server.is_running() && !finished) std::this_thread::yield();
    server.stop();
  });
  // Returns once stopped, after the requests under way have been answered.
  const bool served = server.listen_after_bind();
  finished = true;
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  if (!served) throw StartError("the server stopped accepting connections");
  log.write("info", "stopped");
}

}  // namespace talewick::server
