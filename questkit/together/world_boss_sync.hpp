// Sharing a world-boss enlistment between the user's machines through the key-value cloud store:
// the enrollment (which raider, with which key) so that a second machine fights as the same
// raider instead of enlisting again, and the damage one machine pushed today so that another
// can show it. Values are stored as their JSON text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/json.hpp"

namespace talewick::WorldBossSync {

inline constexpr std::string_view enrollmentKey = "worldboss.enroll.v1";
inline constexpr std::string_view selfPushKey = "worldboss.selfpush.v1";

struct Enrollment {
  std::string raiderId;
  std::string apiKey;
  bool operator==(const Enrollment&) const = default;
};

struct SelfPush {
  std::string day;  // "yyyy-MM-dd"
  int64_t damage = 0;
  bool operator==(const SelfPush&) const = default;
};

void to_json(Json& j, const Enrollment& v);
void from_json(const Json& j, Enrollment& v);
void to_json(Json& j, const SelfPush& v);
void from_json(const Json& j, SelfPush& v);

// The stored text of a value.
std::string encoded(const Enrollment& enrollment);
std::string encoded(const SelfPush& push);

// A stored value read back; nullopt for damaged text, and for an enrollment missing its raider
// or its key (another machine wrote half of it, or a user emptied it): neither can be used.
std::optional<Enrollment> decodeEnrollment(std::string_view stored);
std::optional<SelfPush> decodeSelfPush(std::string_view stored);

// Whether this machine must publish its enrollment: it has a usable one and the cloud holds
// none, a damaged one, or another.
bool needsPublish(const std::optional<Enrollment>& local, std::optional<std::string_view> cloud);

// The damage another machine pushed on `today`; nullopt when the push is of another day or
// unreadable.
std::optional<int64_t> damageOn(std::optional<std::string_view> stored, std::string_view today);

}  // namespace talewick::WorldBossSync
