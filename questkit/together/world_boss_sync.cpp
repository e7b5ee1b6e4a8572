#include "together/world_boss_sync.hpp"

#include <tuple>

namespace talewick::WorldBossSync {

using json_coding::Field;

static const auto kEnrollmentFields =
    std::tuple{Field{"raiderId", &Enrollment::raiderId}, Field{"apiKey", &Enrollment::apiKey}};
TALEWICK_JSON_CODING(Enrollment, kEnrollmentFields)

static const auto kSelfPushFields =
    std::tuple{Field{"day", &SelfPush::day}, Field{"damage", &SelfPush::damage}};
TALEWICK_JSON_CODING(SelfPush, kSelfPushFields)

namespace {

template <class T>
std::optional<T> decoded(std::string_view stored) {
  try {
    return decodeJsonText<T>(stored);
  } catch (const DecodeError&) {
    return std::nullopt;
  }
}

bool usable(const Enrollment& e) { return !e.raiderId.empty() && !e.apiKey.empty(); }

}  // namespace

std::string encoded(const Enrollment& enrollment) { return json_coding::encode(enrollment).dump(); }
std::string encoded(const SelfPush& push) { return json_coding::encode(push).dump(); }

std::optional<Enrollment> decodeEnrollment(std::string_view stored) {
  auto e = decoded<Enrollment>(stored);
  if (e && !usable(*e)) return std::nullopt;
  return e;
}

std::optional<SelfPush> decodeSelfPush(std::string_view stored) {
  return decoded<SelfPush>(stored);
}

bool needsPublish(const std::optional<Enrollment>& local, std::optional<std::string_view> cloud) {
  if (!local || !usable(*local)) return false;
  const auto shared = cloud ? decodeEnrollment(*cloud) : std::nullopt;
  return shared != local;
}

std::optional<int64_t> damageOn(std::optional<std::string_view> stored, std::string_view today) {
  const auto push = stored ? decodeSelfPush(*stored) : std::nullopt;
  if (!push || push->day != today) return std::nullopt;
  return push->damage;
}

}  // namespace talewick::WorldBossSync
