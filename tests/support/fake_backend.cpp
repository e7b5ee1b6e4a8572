#include "tests/support/fake_backend.hpp"

#include <httplib.h>

#include <cctype>
#include <csignal>
#include <stdexcept>

namespace talewick::testing {

FakeBackend::FakeBackend() : server_(std::make_unique<httplib::Server>()) {
  // A caller that gave up closes its socket; the late answer must not end the test program.
  std::signal(SIGPIPE, SIG_IGN);
  const auto handle = [this](const httplib::Request& request, httplib::Response& response) {
    Received seen{request.method, request.path, request.body, {}, {}};
    for (const auto& [name, value] : request.params) seen.query[name] = value;
    for (const auto& [name, value] : request.headers) {
      std::string lowered = name;
      for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      seen.headers[lowered] = value;
    }
    std::unique_lock lock(mutex_);
    received_.push_back(seen);
    const auto route = routes_.find(request.method + " " + request.path);
    if (route == routes_.end()) {
      response.status = 404;
      response.set_content(R"({"error": "no such route on the fake backend"})", "application/json");
      return;
    }
    if (route->second.silent) {
      released_.wait(lock, [this] { return stopping_; });
      return;
    }
    response.status = route->second.answer.status;
    response.set_content(route->second.answer.body, route->second.answer.contentType.c_str());
  };
  const std::string any = ".*";
  server_->Get(any, handle);
  server_->Post(any, handle);
  server_->Patch(any, handle);
  server_->Delete(any, handle);
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("the fake backend cannot listen on loopback");
  // The socket listens from bind on: a connection made before the thread runs waits in the
  // backlog.
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() does nothing to a server not yet running, and the destructor relies on it.
  while (!server_->is_running()) std::this_thread::yield();
}

FakeBackend::~FakeBackend() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  released_.notify_all();
  server_->stop();
  thread_.join();
}

std::string FakeBackend::url() const { return "http://127.0.0.1:" + std::to_string(port_); }

void FakeBackend::answer(const std::string& method, const std::string& path, Answer answer) {
  std::lock_guard lock(mutex_);
  routes_[method + " " + path] = Route{std::move(answer), false};
}

void FakeBackend::neverAnswer(const std::string& method, const std::string& path) {
  std::lock_guard lock(mutex_);
  routes_[method + " " + path] = Route{{}, true};
}

std::vector<FakeBackend::Received> FakeBackend::received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

int FakeBackend::count(const std::string& method, const std::string& path) const {
  std::lock_guard lock(mutex_);
  int n = 0;
  for (const Received& r : received_) n += r.method == method && r.path == path;
  return n;
}

}  // namespace talewick::testing
