#include "server/guild_mail.hpp"

#include <cstring>

#include "server/crypto.hpp"
#include "server/mail_header.hpp"

namespace talewick::server {

std::string guildCode() {
  // 4,294,000,000 is the largest multiple of a million a 32-bit draw reaches: draws above it are
  // thrown back, so that no code is likelier than another.
  constexpr std::uint32_t kLimit = 4'294'000'000U;
  std::uint32_t draw = 0;
  do {
    const std::string bytes = crypto::randomBytes(sizeof draw);
    std::memcpy(&draw, bytes.data(), sizeof draw);
  } while (draw >= kLimit);
  std::string code = std::to_string(draw % 1'000'000U);
  return std::string(6 - code.size(), '0') + code;
}

std::string guildCodeMail(const std::string& fromAddress, const std::string& recipient,
                          const std::string& code, std::int64_t validMinutes, std::int64_t now,
                          const std::string& uniqueId) {
  const std::string body =
      "Bonjour,\r\n\r\nVoici ton code pour rejoindre la guilde de ton "
      "entreprise sur Talewick :\r\n\r\n    " +
      code + "\r\n\r\nIl est valable " + std::to_string(validMinutes) +
      " minutes. Si tu n'as rien demandé, ignore ce message.\r\n";
  const std::size_t at = fromAddress.find('@');
  const std::string domain = at == std::string::npos ? "localhost" : fromAddress.substr(at + 1);
  std::string message;
  message += "From: " + mail::mailbox("Talewick", fromAddress) + "\r\n";
  message += "To: " + recipient + "\r\n";
  message += "Subject: " + mail::headerText("Ton code de guilde Talewick : " + code) + "\r\n";
  message += "Date: " + mail::headerDate(now) + "\r\n";
  message += "Message-ID: <" + uniqueId + "@" + domain + ">\r\n";
  message += "MIME-Version: 1.0\r\n";
  message += "Content-Type: text/plain; charset=utf-8\r\n";
  message += "Content-Transfer-Encoding: base64\r\n\r\n";
  message += mail::base64Lines(body);
  return message;
}

}  // namespace talewick::server
