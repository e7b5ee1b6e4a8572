// One call of a service that carries credentials of its own (the guild's, the world boss's, the
// vigil's) and whose failures are its own error records: the answer's body on 2xx; otherwise
// FAILURE of the record the service's mapping reads from the body and the status; a call without
// an answer is a server error carrying the transport's message.
//
// The exchange runs on the serial queue `queue` of `loop`; `done` runs on the main loop.
#pragma once

#include <asio/post.hpp>
#include <exception>
#include <functional>
#include <string>

#include "core/http_port.hpp"
#include "core/run_loop.hpp"
#include "services/backend/backend_connection.hpp"

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

}  // namespace talewick::backend
