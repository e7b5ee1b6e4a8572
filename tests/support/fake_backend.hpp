// A loopback HTTP server standing in for the backend where the real one cannot be made to
// misbehave: answers chosen by the test, requests recorded, and routes that never answer. It
// listens on a free port of 127.0.0.1 from construction to destruction.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace talewick::testing {

class FakeBackend {
 public:
  struct Answer {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
  };
  struct Received {
    std::string method, path, body;
    std::map<std::string, std::string> headers;  // names lower-cased
    std::map<std::string, std::string> query;    // the path's parameters, decoded
  };

  FakeBackend();
  // Lets the silent routes' callers go, then stops the server.
  ~FakeBackend();
  FakeBackend(const FakeBackend&) = delete;
  FakeBackend& operator=(const FakeBackend&) = delete;

  // "http://127.0.0.1:PORT".
  std::string url() const;

  // `method path` answers `answer` from now on. Anything not routed answers 404.
  void answer(const std::string& method, const std::string& path, Answer answer);
  // `method path` keeps its caller waiting until this server goes.
  void neverAnswer(const std::string& method, const std::string& path);

  std::vector<Received> received() const;
  // How many `method path` requests arrived.
  int count(const std::string& method, const std::string& path) const;

 private:
  struct Route {
    Answer answer;
    bool silent = false;
  };

  std::unique_ptr<httplib::Server> server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable released_;
  bool stopping_ = false;
  std::map<std::string, Route> routes_;  // by "METHOD path"
  std::vector<Received> received_;
};

}  // namespace talewick::testing
