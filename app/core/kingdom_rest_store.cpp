#include "core/kingdom_rest_store.hpp"

#include <vector>

#include "support/day_keys.hpp"

namespace talewick {

namespace {

using json_coding::Field;

const auto kFields =
    std::tuple{Field{"restDeclarations", &KingdomRestState::restDeclarations, json_coding::lenient},
               Field{"lastActiveISO", &KingdomRestState::lastActiveISO},
               Field{"lastRepriseISO", &KingdomRestState::lastRepriseISO},
               Field{"timeZoneID", &KingdomRestState::timeZoneID}};

}  // namespace

void to_json(Json& j, const KingdomRestState& v) { json_coding::writeFields(j, v, kFields); }

void from_json(const Json& j, KingdomRestState& v) {
  json_coding::readFields(j, v, kFields);
  const auto legacy = j.find("legacyRestDays");
  if (legacy == j.end() || legacy->is_null()) return;
  std::vector<std::string> days;
  try {
    json_coding::decode(*legacy, days);
  } catch (const DecodeError& e) {
    throw e.within("legacyRestDays");
  }
  for (const std::string& day : days) v.restDeclarations.emplace(day, day);
}

KingdomRestStore::KingdomRestStore(FilePort& files, std::filesystem::path saveURL,
                                   std::ostream& diagnostics)
    : file_(files, std::move(saveURL), diagnostics),
      state_(file_.load<KingdomRestState>().value_or(KingdomRestState{})) {}

KingdomRestState KingdomRestStore::current() {
  // A file gone missing (or set aside as damaged) leaves what this store knew.
  if (std::optional<KingdomRestState> onDisk = file_.load<KingdomRestState>()) state_ = *onDisk;
  return state_;
}

void KingdomRestStore::keep(KingdomRestState next) {
  if (next == state_) return;
  file_.save(next);
  state_ = std::move(next);
}

bool KingdomRestStore::declare(const std::string& dayKey, const std::string& declaredOnKey) {
  KingdomRestState next = current();
  if (!next.restDeclarations.emplace(dayKey, declaredOnKey).second) return false;
  keep(std::move(next));
  return true;
}

bool KingdomRestStore::cancel(const std::string& dayKey) {
  KingdomRestState next = current();
  if (next.restDeclarations.erase(dayKey) == 0) return false;
  keep(std::move(next));
  return true;
}

void KingdomRestStore::markActive(const std::string& dayKey) {
  KingdomRestState next = current();
  if (!DayKeys::dayNumber(dayKey)) return;
  // A recorded day that is no date is replaced; a later one stays.
  const std::optional<int64_t> ahead =
      next.lastActiveISO ? DayKeys::between(*next.lastActiveISO, dayKey) : std::nullopt;
  if (ahead && *ahead <= 0) return;
  next.lastActiveISO = dayKey;
  keep(std::move(next));
}

bool KingdomRestStore::payRepriseIfDue(HeroStore& hero, const std::string& todayKey,
                                       const std::string& timeZoneID) {
  KingdomRestState next = current();
  if (!RestSanctuary::repriseEligible(todayKey, next.lastActiveISO, next.lastRepriseISO,
                                      next.restDeclarations, timeZoneID)) {
    return false;
  }
  // Told apart from a reprise paid before (another machine saw the same return first): only a
  // credit made now is ours to announce, but both settle today's reprise.
  const HeroSync::Credit credit =
      hero.credit(RewardKind::rest, RestSanctuary::repriseReceiptID(todayKey),
                  RestSanctuary::repriseRewardXP, RestSanctuary::repriseRewardGold);
  if (credit == HeroSync::Credit::refused) return false;
  next.lastRepriseISO = todayKey;
  next.timeZoneID = timeZoneID;
  keep(std::move(next));
  return credit == HeroSync::Credit::credited;
}

}  // namespace talewick
