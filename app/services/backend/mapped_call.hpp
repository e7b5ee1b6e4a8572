// One call of a service that carries credentials of its own (the guild's, the world boss's, the
// vigil's) and whose failures are its own error records: the answer's body on 2xx; otherwise
// FAILURE of the record the service's mapping reads from the body and the status; a call without
// an answer is a server error carrying the transport's message.
//
// The exchange runs on the serial queue `queue` of `loop`; `done` runs on the main loop.
#pragma once

#include <asio/post.hpp>
#include <chrono>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "core/http_port.hpp"
#include "core/run_loop.hpp"
#include "core/secrets_port.hpp"
#include "services/backend/backend_connection.hpp"
#include "services/backend/json_request.hpp"

namespace talewick::backend {

template <class Failure, class Err, class ErrorOf>
void mappedCall(HttpClient& http, RunLoop& loop, const std::string& queue, HttpRequest request,
                ErrorOf errorOf, std::function<void(Outcome<std::string>)> done) {
  asio::io_context& main = loop.main();
  loop.serialQueue(queue).async(
      [&http, &main, request = std::move(request), errorOf, done = std::move(done)]() mutable {
        Outcome<std::string> outcome;
        try {
          HttpResponse answer = http.send(request);
          if (answer.status < 200 || answer.status > 299) {
            outcome.failure = std::make_exception_ptr(Failure(errorOf(answer.body, answer.status)));
          } else {
            outcome.value = std::move(answer.body);
          }
        } catch (const std::exception& e) {
          outcome.failure = std::make_exception_ptr(Failure(Err::server(e.what())));
        }
        asio::post(main, [done = std::move(done), outcome = std::move(outcome)] { done(outcome); });
      });
}

// A call of such a service, before its credential is added.
struct ServiceCall {
  std::string method, path;
  std::optional<Json> body;
  bool withSignup = false;  // speaks with this device's sign-up secret rather than a key
  std::chrono::milliseconds timeout;
};

// `call` on `backend`'s root with the credential credentialHeaders gives for it and `key`, then
// as mappedCall. Without a root or a sign-up secret the failure is Err's notConfigured; without
// the key, `noKey`. Nothing is sent then.
template <class Failure, class Err, class ErrorOf>
void credentialedCall(const BackendConnection& backend, const SecretsStore& secrets,
                      HttpClient& http, RunLoop& loop, const std::string& queue, ServiceCall call,
                      const std::optional<std::string>& key, typename Err::Kind noKey,
                      ErrorOf errorOf, std::function<void(Outcome<std::string>)> done) {
  const std::optional<std::string> root = backend.root();
  std::optional<HttpHeaders> headers =
      credentialHeaders(secrets, call.withSignup, call.withSignup ? std::nullopt : key);
  if (!root || !headers) {
    Err err;
    err.kind = !root || call.withSignup ? Err::Kind::notConfigured : noKey;
    return done({std::nullopt, std::make_exception_ptr(Failure(std::move(err)))});
  }
  mappedCall<Failure, Err>(http, loop, queue,
                           jsonRequest(*root, std::move(call.method), call.path,
                                       std::move(*headers), call.body, call.timeout),
                           std::move(errorOf), std::move(done));
}

}  // namespace talewick::backend
