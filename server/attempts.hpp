// Counting attempts for rate limits, shared by every process of one database: an attempt is one
// row under a bucket ("join-email:ana@acme.com", "join-client:203.0.113.9"…), and rows older
// than the window are dropped as the bucket is counted.
#pragma once

#include <cstdint>
#include <string>

#include "server/storage.hpp"

namespace talewick::server {

struct RateLimit {
  std::int64_t attempts = 0;       // allowed within the window
  std::int64_t windowSeconds = 0;  // how far back attempts count
};

// Records an attempt at `now` in `bucket` unless the bucket already holds `limit.attempts`
// within the window; true when the attempt was recorded (allowed).
bool tryAttempt(Storage& storage, const std::string& bucket, std::int64_t now,
                const RateLimit& limit);

}  // namespace talewick::server
