#include "server/provider_http.hpp"

#include <httplib.h>

#include <charconv>
#include <chrono>
#include <limits>
#include <regex>
#include <thread>

namespace talewick::server {

namespace {

// What the provider said of its refusal, when its body says it in one of the usual places.
std::string reasonOf(const std::string& body) {
  const nlohmann::json parsed = nlohmann::json::parse(body, nullptr, false);
  if (!parsed.is_object()) return "";
  for (const char* key : {"error_description", "message", "error", "errors"}) {
    const auto it = parsed.find(key);
    if (it == parsed.end()) continue;
    const nlohmann::json* value = &*it;
    // Asana and Graph nest it: {"errors": [{"message"}]}, {"error": {"message"}}.
    if (value->is_array() && !value->empty()) value = &(*value)[0];
    if (value->is_object() && value->contains("message")) value = &(*value)["message"];
    if (value->is_string()) return value->get<std::string>().substr(0, 200);
  }
  return "";
}

// Seconds of a Retry-After header; nullopt when it is absent or not a number of seconds (an HTTP
// date, which no provider here sends, counts as too long).
std::optional<int> retryAfter(const httplib::Result& result) {
  if (!result->has_header("Retry-After")) return 1;
  const std::string text = result->get_header_value("Retry-After");
  int seconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || seconds < 0) return std::nullopt;
  return seconds;
}

}  // namespace

void sleepSeconds(int seconds) { std::this_thread::sleep_for(std::chrono::seconds(seconds)); }

ProviderHttp::ProviderHttp(std::string name, std::string baseURL, RetryWait wait)
    : name_(std::move(name)), wait_(std::move(wait)) {
  static const std::regex split(R"(^(https?://[^/?#]+)(/[^?#]*)?$)");
  std::smatch parts;
  if (std::regex_match(baseURL, parts, split)) {
    origin_ = parts[1].str();
    prefix_ = parts[2].str();
    while (prefix_.ends_with('/')) prefix_.pop_back();
  }
}

nlohmann::json ProviderHttp::send(const std::string& accessToken,
                                  const ProviderRequest& request) const {
  const ProviderBytes answer =
      exchange(accessToken, request, std::numeric_limits<std::size_t>::max());
  if (answer.body.empty()) return nullptr;
  nlohmann::json parsed = nlohmann::json::parse(answer.body, nullptr, false);
  if (parsed.is_discarded()) throw ProviderFailure(name_ + " a répondu un document illisible.");
  return parsed;
}

ProviderBytes ProviderHttp::fetch(const std::string& accessToken, const ProviderRequest& request,
                                  std::size_t maxBytes) const {
  return exchange(accessToken, request, maxBytes);
}

ProviderBytes ProviderHttp::exchange(const std::string& accessToken, const ProviderRequest& request,
                                     std::size_t maxBytes) const {
  if (origin_.empty()) throw ProviderFailure("Adresse de l'API " + name_ + " invalide.");
  std::string target;
  if (request.path.starts_with("http://") || request.path.starts_with("https://")) {
    // The token goes only where the root points: a next page elsewhere is refused.
    if (!request.path.starts_with(origin_ + "/")) {
      throw ProviderFailure(name_ + " a renvoyé vers une adresse étrangère.");
    }
    target = request.path.substr(origin_.size());
  } else {
    target = prefix_ + request.path;
    // An API that is one endpoint (GraphQL) is called at its root itself.
    if (target.empty()) target = "/";
  }
  char separator = target.find('?') == std::string::npos ? '?' : '&';
  for (const auto& [key, value] : request.query) {
    target += separator + httplib::detail::encode_query_param(key) + "=" +
              httplib::detail::encode_query_param(value);
    separator = '&';
  }

  httplib::Client client(origin_);
  client.set_connection_timeout(20);
  client.set_read_timeout(20);
  client.set_write_timeout(20);
  client.set_follow_location(false);
  client.set_url_encode(false);
  httplib::Headers headers = {{"authorization", "Bearer " + accessToken},
                              {"accept", "application/json"}};
  for (const auto& [key, value] : request.headers) headers.emplace(key, value);
  const std::string body = request.body ? request.body->dump() : "";
  const char* type = "application/json";

  // Reads arrive piece by piece so that a body past `maxBytes` is dropped before it is whole.
  std::string received;
  bool tooLong = false;
  const httplib::ContentReceiver receive = [&](const char* data, std::size_t length) {
    if (length > maxBytes - received.size()) {
      tooLong = true;
      return false;
    }
    received.append(data, length);
    return true;
  };
  for (int attempt = 0;; ++attempt) {
    received.clear();
    httplib::Result result = request.method == "GET"    ? client.Get(target, headers, receive)
                             : request.method == "POST" ? client.Post(target, headers, body, type)
                             : request.method == "PUT"  ? client.Put(target, headers, body, type)
                             : request.method == "PATCH"
                                 ? client.Patch(target, headers, body, type)
                                 : client.Delete(target, headers, body, type);
    if (tooLong) {
      throw ProviderFailure(name_ + " a envoyé plus de " + std::to_string(maxBytes / 1'000'000) +
                            " Mo : abandonné.");
    }
    if (!result)
      throw ProviderFailure(name_ + " injoignable : " + httplib::to_string(result.error()));
    const int status = result->status;
    if (status == 429) {
      const std::optional<int> wait = retryAfter(result);
      // A provider that keeps refusing after a few short waits is given up on as well.
      if (wait && *wait <= MAX_RETRY_AFTER_SECONDS && attempt < 3) {
        wait_(*wait);
        continue;
      }
      throw ProviderFailure(name_ + " limite les appels" +
                            (wait ? " : réessaie dans " + std::to_string(*wait) + " s." : "."));
    }
    if (status == 401) {
      throw ProviderUnauthorized(name_ + " a refusé l'accès : reconnecte " + name_ +
                                 " (talewick connect).");
    }
    if (request.method != "GET") received = result->body;
    if (status < 200 || status > 299) {
      const std::string reason = reasonOf(received);
      throw ProviderFailure(name_ + " a répondu HTTP " + std::to_string(status) +
                            (reason.empty() ? "." : " : " + reason));
    }
    return {std::move(received), result->get_header_value("content-type")};
  }
}

}  // namespace talewick::server
