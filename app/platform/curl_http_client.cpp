#include "platform/curl_http_client.hpp"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>

namespace talewick {
namespace {

struct Received {
  HttpResponse response;
  std::size_t limit = 0;
  bool tooLarge = false;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* received = static_cast<Received*>(user);
  const std::size_t bytes = size * count;
  if (received->response.body.size() + bytes > received->limit) {
    received->tooLarge = true;
    return 0;  // anything but `bytes` makes libcurl abort the transfer
  }
  received->response.body.append(data, bytes);
  return bytes;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* received = static_cast<Received*>(user);
  const std::size_t bytes = size * count;
  const std::string_view line(data, bytes);
  // Each answer's headers start with its status line: an interim answer's (100 Continue) are
  // forgotten when the final one begins.
  if (line.starts_with("HTTP/")) {
    received->response.headers.clear();
    return bytes;
  }
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return bytes;
  std::string name(trimmed(line.substr(0, colon)));
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  received->response.headers.emplace_back(std::move(name),
                                          std::string(trimmed(line.substr(colon + 1))));
  return bytes;
}

using Easy = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using HeaderList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

}  // namespace

CurlHttpClient::CurlHttpClient(std::size_t maxResponseBytes) : maxResponseBytes_(maxResponseBytes) {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpResponse CurlHttpClient::send(const HttpRequest& request) {
  Easy easy(curl_easy_init(), &curl_easy_cleanup);
  if (!easy) throw HttpTransportError("libcurl: cannot start a transfer");
  CURL* handle = easy.get();

  HeaderList headers(nullptr, &curl_slist_free_all);
  auto addHeader = [&headers](const std::string& line) {
    curl_slist* grown = curl_slist_append(headers.get(), line.c_str());
    if (!grown) throw HttpTransportError("libcurl: out of memory");
    headers.release();
    headers.reset(grown);
  };
  for (const auto& [name, value] : request.headers) addHeader(name + ": " + value);
  // Without this libcurl waits for a "100 Continue" before sending a larger body.
  addHeader("Expect:");

  Received received;
  received.limit = maxResponseBytes_;
  char errorText[CURL_ERROR_SIZE] = "";

  curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  // Timeouts by alarm() would need signals, which a threaded program cannot spare.
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeout.count()));
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxResponseBytes_));
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &onBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &received);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &onHeader);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &received);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);

  if (request.method == "GET") {
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, request.method.c_str());
  }
  if (!request.body.empty() || request.method == "POST") {
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body.data());
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(request.body.size()));
  }

  const CURLcode result = curl_easy_perform(handle);
  if (received.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
    throw HttpTransportError("answer larger than " + std::to_string(maxResponseBytes_) + " bytes");
  }
  if (result != CURLE_OK) {
    throw HttpTransportError(errorText[0] ? errorText : curl_easy_strerror(result));
  }
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  received.response.status = static_cast<int>(status);
  return std::move(received.response);
}

}  // namespace talewick
