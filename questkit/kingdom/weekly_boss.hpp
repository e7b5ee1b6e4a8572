// The weekly boss: once per ISO week the kingdom raises a boss made of the week's most pressing
// work — the open chapters of an active campaign, or else the overdue risk items. Each objective
// is one hit point; finishing the work behind it deals the damage, and felling the whole boss
// pays one final reward under a receipt, so that it is paid once.
//
// Weeks are ISO-8601 weeks (Monday first, week 1 holds the year's first Thursday) in the user's
// time zone, named by an IANA id. The time zone only decides which local day an instant falls
// on and when that day's midnight is; counting weeks is plain arithmetic on day keys.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "kingdom/campaigns.hpp"
#include "kingdom/world_quests.hpp"
#include "support/date.hpp"
#include "support/enum_traits.hpp"
#include "support/json.hpp"

namespace talewick {

namespace WeeklyBoss {
// Raw value = case name.
enum class Outcome { defeated, progressed, calm };
}  // namespace WeeklyBoss

template <>
struct EnumTraits<WeeklyBoss::Outcome> {
  static constexpr std::array<std::string_view, 3> names{"defeated", "progressed", "calm"};
};

namespace WeeklyBoss {

inline constexpr int64_t rewardXP = 200;
inline constexpr int64_t rewardGold = 60;

// What the boss is made of. A kind this version does not know is kept as read.
struct Source {
  enum class Kind { campaign, risk, unknown };

  Kind kind = Kind::risk;
  std::string value;        // the campaign id; "" for risk
  std::string unknownKind;  // the stored kind, for Kind::unknown only

  static Source campaign(std::string id);
  static Source risk();
  static Source unknown(std::string kind, std::string value);
  // "campaign" and "risk" give their cases (risk drops the value); any other kind is unknown.
  static Source fromStored(const std::string& kind, std::string value);

  std::string storedKind() const;
  bool operator==(const Source&) const = default;
};

struct Objective {
  std::string id;
  std::string title;
  int64_t hp = 1;
  bool completed = false;
  bool credited = false;
  bool operator==(const Objective&) const = default;
};

struct Boss {
  std::string id;
  std::string weekKey;
  std::string title;
  Source source;
  WorldQuests::Realm realm = WorldQuests::Realm::personal;
  std::vector<Objective> objectives;
  int64_t rewardXP = WeeklyBoss::rewardXP;
  int64_t rewardGold = WeeklyBoss::rewardGold;
  bool finalCredited = false;
  std::optional<Date> createdAt;
  std::optional<Date> resolvedAt;
  bool operator==(const Boss&) const = default;
};

struct Summary {
  Outcome outcome = Outcome::calm;
  int64_t objectivesTotal = 0;
  int64_t objectivesDefeated = 0;
  int64_t maxHP = 0;
  int64_t damage = 0;
  std::string weekKey;
  bool operator==(const Summary&) const = default;
};

struct Evaluation {
  Boss boss;
  std::vector<Objective> newlyCompleted;  // in board order
};

// The ISO-8601 week calendar of one time zone. An id the time zone database does not know reads
// as UTC.
struct Calendar {
  std::string timeZoneID;
  bool operator==(const Calendar&) const = default;
};

Calendar mondayCalendar(std::string_view timeZoneID);

// "yyyy-Www" of the ISO week holding the day `dayKey` names ("2026-12-28" → "2026-W53",
// "2027-01-01" → "2026-W53", "2025-12-29" → "2026-W01"); "" when the key is not a real date.
std::string weekKeyOfDay(std::string_view dayKey);

// The local day key of `date` in the calendar's zone; "" for an instant outside years 1 … 9999.
std::string localDayKey(Date date, const Calendar& calendar);

// The week key of the local day holding `date`; "" outside years 1 … 9999.
std::string weekKey(Date date, const Calendar& calendar);
// Monday 00:00 (local) of the week holding `date`; `date` itself outside years 1 … 9999.
Date weekStart(Date date, const Calendar& calendar);
// From that Monday's midnight to the next Monday's: 7 days, give or take a daylight-saving hour.
std::optional<DateInterval> weekInterval(Date date, const Calendar& calendar);

// "weekboss:" + week key: one boss per week, the same on every machine.
std::string bossID(const std::string& weekKey);

// Every objective not yet completed whose id is in `completedIDs` becomes completed. Completion
// never reverts.
Evaluation evaluate(const Boss& boss, const std::set<std::string>& completedIDs);

// The boss with resolvedAt = now, unless it was resolved already.
Boss resolve(const Boss& boss, Date now);

Summary summary(const Boss& boss);

// Whether the final reward is due now: every objective completed (at least one) and not yet paid.
bool finalRewardDue(const Boss& boss);
WorldQuests::Reward finalReward(const Boss& boss);
// The boss with its final reward marked paid.
Boss markFinalCredited(const Boss& boss);

// "weekboss-final:" + week key + ":" + boss id.
std::string finalReceiptID(const std::string& weekKey, const std::string& bossID);

void to_json(Json& j, const Source& v);
void from_json(const Json& j, Source& v);
void to_json(Json& j, const Objective& v);
void from_json(const Json& j, Objective& v);
void to_json(Json& j, const Boss& v);
void from_json(const Json& j, Boss& v);
void to_json(Json& j, const Summary& v);
void from_json(const Json& j, Summary& v);

}  // namespace WeeklyBoss

// What the application raises as this week's boss, and which of its objectives are done.
namespace KingdomWeeklyBossObservation {

// A risk boss never holds more objectives than this.
inline constexpr size_t maxRiskObjectives = 8;
inline constexpr std::string_view riskPrefix = "risk:";

struct RiskItem {
  std::string id;
  std::string title;
  bool operator==(const RiskItem&) const = default;
};

struct Definition {
  WeeklyBoss::Source source;
  WorldQuests::Realm realm = WorldQuests::Realm::personal;
  std::string title;
  std::vector<WeeklyBoss::Objective> objectives;
  bool operator==(const Definition&) const = default;
};

// The first active campaign with a chapter still open gives the boss: its realm, its title, and
// one objective per open chapter (id = chapter id, title = chapter title), since the chapters
// already done would only be damage dealt before the week began. Otherwise the first
// maxRiskObjectives overdue risk items give a boss titled `riskTitle` in the deadlines realm,
// objective ids "risk:" + item id. Every objective has 1 HP. nullopt when neither exists.
std::optional<Definition> define(const std::vector<Campaigns::Campaign>& campaigns,
                                 const std::vector<RiskItem>& overdueRisks,
                                 const std::string& riskTitle);

// The boss of week `weekKey` built from `definition` at `now`: id bossID(weekKey), the standard
// reward, nothing paid yet.
WeeklyBoss::Boss makeBoss(const Definition& definition, const std::string& weekKey, Date now);

// The ids of the boss's objectives whose work is done: a "risk:" objective once its item is no
// longer among `overdueRiskIDs`, a chapter objective once a campaign of `campaigns` holds that
// chapter completed.
std::set<std::string> completedIDs(const WeeklyBoss::Boss& boss,
                                   const std::vector<Campaigns::Campaign>& campaigns,
                                   const std::vector<std::string>& overdueRiskIDs);

void to_json(Json& j, const RiskItem& v);
void from_json(const Json& j, RiskItem& v);
void to_json(Json& j, const Definition& v);
void from_json(const Json& j, Definition& v);

}  // namespace KingdomWeeklyBossObservation
}  // namespace talewick
