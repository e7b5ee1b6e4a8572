// The mail that carries a guild join code to the address being proved.
#pragma once

#include <cstdint>
#include <string>

namespace talewick::server {

// A six-digit code ("004217") drawn from the system's cryptographic generator, every value
// equally likely.
std::string guildCode();

// The whole message (headers and a French text body in base64, lines ended by CR LF) from
// `fromAddress` to `recipient` carrying `code`, valid `validMinutes` minutes.
std::string guildCodeMail(const std::string& fromAddress, const std::string& recipient,
                          const std::string& code, std::int64_t validMinutes, std::int64_t now,
                          const std::string& uniqueId);

}  // namespace talewick::server
