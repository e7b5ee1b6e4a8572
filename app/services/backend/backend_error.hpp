// What a call to the backend can fail with, besides a transport error (HttpTransportError, which
// passes through unchanged with the platform's message).
#pragma once

#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

namespace talewick::backend {

class BackendError : public std::runtime_error {
 public:
  enum class Kind {
    notConfigured,    // no usable base URL: nothing was sent
    noSignupSecret,   // registration needs the deployment's secret, not given yet
    http,             // an answer outside 200–299
    unreadableAnswer  // a 2xx answer whose body is not what the call returns
  };

  static BackendError notConfigured();
  static BackendError noSignupSecret();
  // The message of an answer outside 200–299: the body's {"error": text}, else
  // "Backend Talewick HTTP " and the status.
  static BackendError http(int status, std::string_view body);
  static BackendError unreadableAnswer();

  Kind kind() const { return kind_; }
  int status() const { return status_; }  // the HTTP status of `http`, else 0

 private:
  BackendError(Kind kind, int status, const std::string& message);
  Kind kind_;
  int status_;
};

// The message of any failure a backend call hands back, as the status lines show it.
std::string failureText(const std::exception_ptr& failure);

}  // namespace talewick::backend
