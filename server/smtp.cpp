#include "server/smtp.hpp"

#include <curl/curl.h>

#include <cstring>
#include <memory>

namespace talewick::server {

namespace {

// How long the SMTP server may take: the desktop program waits 20 seconds for the whole answer.
constexpr long CONNECT_TIMEOUT_SECONDS = 5;
constexpr long TRANSFER_TIMEOUT_SECONDS = 15;

struct Upload {
  const std::string& bytes;
  std::size_t sent = 0;
};

std::size_t readUpload(char* buffer, std::size_t size, std::size_t count, void* user) {
  auto& upload = *static_cast<Upload*>(user);
  const std::size_t room = size * count;
  const std::size_t take = std::min(room, upload.bytes.size() - upload.sent);
  std::memcpy(buffer, upload.bytes.data() + upload.sent, take);
  upload.sent += take;
  return take;
}

void globalInit() {
  // libcurl's global set-up is not thread-safe: done once, before the first transfer.
  static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  if (!done) throw MailError("libcurl could not start");
}

}  // namespace

void sendMails(const SmtpSettings& smtp, const std::string& envelopeSender,
               const std::vector<OutgoingMail>& mails) {
  globalInit();
  const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                                 &curl_easy_cleanup);
  if (!curl) throw MailError("libcurl could not start");
  const std::string host =
      smtp.host.find(':') != std::string::npos ? "[" + smtp.host + "]" : smtp.host;
  const std::string url = std::string(smtp.security == SmtpSecurity::tls ? "smtps://" : "smtp://") +
                          host + ":" + std::to_string(smtp.port);
  const std::string sender = "<" + envelopeSender + ">";
  char errorText[CURL_ERROR_SIZE] = {};
  CURL* handle = curl.get();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_MAIL_FROM, sender.c_str());
  curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(handle, CURLOPT_READFUNCTION, &readUpload);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, CONNECT_TIMEOUT_SECONDS);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, TRANSFER_TIMEOUT_SECONDS);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
  if (smtp.security == SmtpSecurity::starttls) {
    curl_easy_setopt(handle, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
  }
  if (!smtp.user.empty()) {
    curl_easy_setopt(handle, CURLOPT_USERNAME, smtp.user.c_str());
    curl_easy_setopt(handle, CURLOPT_PASSWORD, smtp.password.c_str());
  }
  for (const OutgoingMail& mail : mails) {
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> recipients(
        curl_slist_append(nullptr, ("<" + mail.recipient + ">").c_str()), &curl_slist_free_all);
    Upload upload{mail.message};
    errorText[0] = '\0';
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(handle, CURLOPT_READDATA, &upload);
    const CURLcode result = curl_easy_perform(handle);
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, nullptr);
    if (result != CURLE_OK) {
      const std::string reason = errorText[0] != '\0' ? errorText : curl_easy_strerror(result);
      throw MailError(mail.recipient + " : " + reason);
    }
  }
}

}  // namespace talewick::server
