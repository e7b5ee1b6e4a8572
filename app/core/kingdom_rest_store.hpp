// The rest sanctuary's state, kept in kingdom-rest-v1.json: the rest days the user declared, the
// last day the user was active and the last reprise paid. The reprise is paid through the hero's
// receipts, so a day's reprise is paid once whatever the restarts and machines.
//
// Every change first takes in what another process (a command while the daemon runs) saved, so
// that neither writes over the other's declarations. Main loop only. A change that cannot be
// saved throws FileError and leaves the store as it was.
#pragma once

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "core/hero_store.hpp"
#include "core/state_file.hpp"
#include "kingdom/rest_sanctuary.hpp"
#include "support/json.hpp"

namespace talewick {

struct KingdomRestState {
  RestSanctuary::Declarations restDeclarations;
  std::optional<std::string> lastActiveISO;
  std::optional<std::string> lastRepriseISO;
  std::optional<std::string> timeZoneID;  // the zone of the last reprise check
  bool operator==(const KingdomRestState&) const = default;
};

// Older files listed rest days alone under "legacyRestDays": each reads as declared on the day
// itself (a chosen rest), unless restDeclarations holds that day too. They are written back as
// declarations.
void to_json(Json& j, const KingdomRestState& v);
void from_json(const Json& j, KingdomRestState& v);

class KingdomRestStore {
 public:
  static constexpr const char* FILE_NAME = "kingdom-rest-v1.json";

  // Reads `saveURL` at once (nothing, or a damaged file: no declarations; see StateFile).
  KingdomRestStore(FilePort& files, std::filesystem::path saveURL,
                   std::ostream& diagnostics = std::cerr);

  const KingdomRestState& state() const { return state_; }
  const RestSanctuary::Declarations& declarations() const { return state_.restDeclarations; }
  const std::optional<std::string>& lastActiveISO() const { return state_.lastActiveISO; }

  // Declares `dayKey` a rest day, declared on `declaredOnKey`. False when it was declared already:
  // the first declaration stands (declaring again later must not make it late).
  bool declare(const std::string& dayKey, const std::string& declaredOnKey);
  // True when `dayKey` was declared (it no longer is).
  bool cancel(const std::string& dayKey);
  // Records activity on `dayKey`; an earlier day than the one recorded changes nothing.
  void markActive(const std::string& dayKey);

  // Pays today's reprise when RestSanctuary::repriseEligible says so, under the receipt of today,
  // and records today as the last reprise. Call it before markActive(todayKey): the return is
  // judged from the last active day before today. True when this call paid it (false when it was
  // not due, or another machine had paid it already).
  bool payRepriseIfDue(HeroStore& hero, const std::string& todayKey, const std::string& timeZoneID);

 private:
  // The state as the file holds it now (another process may have saved since).
  KingdomRestState current();
  void keep(KingdomRestState next);

  StateFile file_;
  KingdomRestState state_;
};

}  // namespace talewick
