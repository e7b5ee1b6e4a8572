#include "kingdom/weekly_boss.hpp"

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <tuple>
#include <utility>

#include "support/day_keys.hpp"

namespace talewick {
namespace WeeklyBoss {

using json_coding::Field;

namespace {

// Instants from 0001-01-01 to 9999-12-31 (UTC, unix seconds), with a day's margin for any zone.
constexpr double kFirstUnix = -62135596800.0 + 86400.0;
constexpr double kLastUnix = 253402300799.0 - 86400.0;

std::unique_ptr<icu::TimeZone> zoneOf(const Calendar& calendar) {
  return std::unique_ptr<icu::TimeZone>(
      icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(icu::StringPiece(
          calendar.timeZoneID.data(), static_cast<int32_t>(calendar.timeZoneID.size())))));
}

// Days since 1970-01-01 of the local day holding `date`.
std::optional<int64_t> localDayNumber(Date date, const Calendar& calendar) {
  const double unix = date.unix();
  if (!std::isfinite(unix) || unix < kFirstUnix || unix > kLastUnix) return std::nullopt;
  int32_t raw = 0, dst = 0;
  UErrorCode status = U_ZERO_ERROR;
  zoneOf(calendar)->getOffset(unix * 1000.0, false, raw, dst, status);
  if (U_FAILURE(status)) return std::nullopt;
  const CivilFields c = civilFromUnix(unix, (raw + dst) / 1000);
  return daysFromCivil(c.year, c.month, c.day);
}

// 1 Monday … 7 Sunday; day 0 (1970-01-01) was a Thursday.
int64_t isoWeekday(int64_t dayNumber) { return ((dayNumber % 7) + 7 + 3) % 7 + 1; }

int64_t mondayOf(int64_t dayNumber) { return dayNumber - (isoWeekday(dayNumber) - 1); }

CivilFields civilDay(int64_t dayNumber) {
  return civilFromUnix(static_cast<double>(dayNumber) * 86400.0, 0);
}

// The first instant of a local day; a midnight skipped by a daylight-saving change gives the
// instant just after the gap.
Date localMidnight(int64_t dayNumber, const Calendar& calendar) {
  const CivilFields c = civilDay(dayNumber);
  UErrorCode status = U_ZERO_ERROR;
  icu::GregorianCalendar cal(zoneOf(calendar).release(), icu::Locale("en_US_POSIX"), status);
  cal.setGregorianChange(-INFINITY, status);
  cal.clear();
  cal.set(UCAL_EXTENDED_YEAR, c.year);
  cal.set(UCAL_MONTH, c.month - 1);
  cal.set(UCAL_DATE, c.day);
  return Date::fromUnix(cal.getTime(status) / 1000.0);
}

std::string weekKeyOfDayNumber(int64_t dayNumber) {
  // The ISO week belongs to the year holding its Thursday.
  const int64_t thursday = dayNumber - isoWeekday(dayNumber) + 4;
  const int year = civilDay(thursday).year;
  if (year < 1 || year > 9999) return "";
  const int64_t week = (thursday - daysFromCivil(year, 1, 1)) / 7 + 1;
  char buf[16];
  const int n = std::snprintf(buf, sizeof buf, "%04d-W%02d", year, static_cast<int>(week));
  return std::string(buf, static_cast<size_t>(n));
}

}  // namespace

// --- Source ---

Source Source::campaign(std::string id) { return {Kind::campaign, std::move(id), {}}; }
Source Source::risk() { return {Kind::risk, {}, {}}; }
Source Source::unknown(std::string kind, std::string value) {
  return {Kind::unknown, std::move(value), std::move(kind)};
}

Source Source::fromStored(const std::string& kind, std::string value) {
  if (kind == "campaign") return campaign(std::move(value));
  if (kind == "risk") return risk();
  return unknown(kind, std::move(value));
}

std::string Source::storedKind() const {
  switch (kind) {
    case Kind::campaign:
      return "campaign";
    case Kind::risk:
      return "risk";
    case Kind::unknown:
      break;
  }
  return unknownKind;
}

// --- Weeks ---

Calendar mondayCalendar(std::string_view timeZoneID) { return Calendar{std::string(timeZoneID)}; }

std::string weekKeyOfDay(std::string_view dayKey) {
  const auto day = DayKeys::dayNumber(dayKey);
  return day ? weekKeyOfDayNumber(*day) : "";
}

std::string localDayKey(Date date, const Calendar& calendar) {
  const auto day = localDayNumber(date, calendar);
  return day ? DayKeys::key(*day) : "";
}

std::string weekKey(Date date, const Calendar& calendar) {
  const auto day = localDayNumber(date, calendar);
  return day ? weekKeyOfDayNumber(*day) : "";
}

Date weekStart(Date date, const Calendar& calendar) {
  const auto day = localDayNumber(date, calendar);
  return day ? localMidnight(mondayOf(*day), calendar) : date;
}

std::optional<DateInterval> weekInterval(Date date, const Calendar& calendar) {
  const auto day = localDayNumber(date, calendar);
  if (!day) return std::nullopt;
  const int64_t monday = mondayOf(*day);
  return DateInterval{localMidnight(monday, calendar), localMidnight(monday + 7, calendar)};
}

// --- The boss ---

std::string bossID(const std::string& weekKey) { return "weekboss:" + weekKey; }

Evaluation evaluate(const Boss& boss, const std::set<std::string>& completedIDs) {
  Evaluation result{boss, {}};
  for (Objective& objective : result.boss.objectives) {
    if (objective.completed || !completedIDs.contains(objective.id)) continue;
    objective.completed = true;
    result.newlyCompleted.push_back(objective);
  }
  return result;
}

Boss resolve(const Boss& boss, Date now) {
  Boss out = boss;
  if (!out.resolvedAt) out.resolvedAt = now;
  return out;
}

Summary summary(const Boss& boss) {
  Summary s;
  s.weekKey = boss.weekKey;
  s.objectivesTotal = static_cast<int64_t>(boss.objectives.size());
  for (const Objective& objective : boss.objectives) {
    s.maxHP += objective.hp;
    if (!objective.completed) continue;
    ++s.objectivesDefeated;
    s.damage += objective.hp;
  }
  if (boss.objectives.empty()) {
    s.outcome = Outcome::calm;
  } else if (s.objectivesDefeated == s.objectivesTotal) {
    s.outcome = Outcome::defeated;
  } else {
    s.outcome = Outcome::progressed;
  }
  return s;
}

bool finalRewardDue(const Boss& boss) {
  return !boss.finalCredited && summary(boss).outcome == Outcome::defeated;
}

WorldQuests::Reward finalReward(const Boss& boss) { return {boss.rewardXP, boss.rewardGold}; }

Boss markFinalCredited(const Boss& boss) {
  Boss out = boss;
  out.finalCredited = true;
  return out;
}

std::string finalReceiptID(const std::string& weekKey, const std::string& bossID) {
  return "weekboss-final:" + weekKey + ":" + bossID;
}

// --- JSON ---

namespace {
struct StoredSource {
  std::string kind;
  std::string value;
};
}  // namespace

void to_json(Json& j, const Source& v) {
  j = Json::object();
  j["kind"] = v.storedKind();
  j["value"] = v.value;
}

void from_json(const Json& j, Source& v) {
  StoredSource stored;
  json_coding::readFields(
      j, stored,
      std::tuple{Field{"kind", &StoredSource::kind}, Field{"value", &StoredSource::value}});
  v = Source::fromStored(stored.kind, std::move(stored.value));
}

static const auto kObjectiveFields = std::tuple{
    Field{"id", &Objective::id}, Field{"title", &Objective::title}, Field{"hp", &Objective::hp},
    Field{"completed", &Objective::completed}, Field{"credited", &Objective::credited}};
TALEWICK_JSON_CODING(Objective, kObjectiveFields)

static const auto kBossFields = std::tuple{Field{"id", &Boss::id},
                                           Field{"weekKey", &Boss::weekKey},
                                           Field{"title", &Boss::title},
                                           Field{"source", &Boss::source},
                                           Field{"realm", &Boss::realm},
                                           Field{"objectives", &Boss::objectives},
                                           Field{"rewardXP", &Boss::rewardXP},
                                           Field{"rewardGold", &Boss::rewardGold},
                                           Field{"finalCredited", &Boss::finalCredited},
                                           Field{"createdAt", &Boss::createdAt},
                                           Field{"resolvedAt", &Boss::resolvedAt}};
TALEWICK_JSON_CODING(Boss, kBossFields)

static const auto kSummaryFields =
    std::tuple{Field{"outcome", &Summary::outcome},
               Field{"objectivesTotal", &Summary::objectivesTotal},
               Field{"objectivesDefeated", &Summary::objectivesDefeated},
               Field{"maxHP", &Summary::maxHP},
               Field{"damage", &Summary::damage},
               Field{"weekKey", &Summary::weekKey}};
TALEWICK_JSON_CODING(Summary, kSummaryFields)

}  // namespace WeeklyBoss

namespace KingdomWeeklyBossObservation {

using json_coding::Field;
using WeeklyBoss::Objective;

namespace {
Objective objective(std::string id, std::string title) {
  return Objective{std::move(id), std::move(title), 1, false, false};
}
}  // namespace

std::optional<Definition> define(const std::vector<Campaigns::Campaign>& campaigns,
                                 const std::vector<RiskItem>& overdueRisks,
                                 const std::string& riskTitle) {
  for (const Campaigns::Campaign& campaign : campaigns) {
    if (campaign.status != Campaigns::Status::active || !campaign.activeChapter()) continue;
    Definition d{WeeklyBoss::Source::campaign(campaign.id), campaign.realm, campaign.title, {}};
    for (const Campaigns::Chapter& chapter : campaign.chapters) {
      if (!chapter.completed) d.objectives.push_back(objective(chapter.id, chapter.title));
    }
    return d;
  }
  if (overdueRisks.empty()) return std::nullopt;
  Definition d{WeeklyBoss::Source::risk(), WorldQuests::Realm::deadlines, riskTitle, {}};
  const size_t count = std::min(overdueRisks.size(), maxRiskObjectives);
  for (size_t i = 0; i < count; ++i) {
    d.objectives.push_back(
        objective(std::string(riskPrefix) + overdueRisks[i].id, overdueRisks[i].title));
  }
  return d;
}

WeeklyBoss::Boss makeBoss(const Definition& definition, const std::string& weekKey, Date now) {
  WeeklyBoss::Boss boss;
  boss.id = WeeklyBoss::bossID(weekKey);
  boss.weekKey = weekKey;
  boss.title = definition.title;
  boss.source = definition.source;
  boss.realm = definition.realm;
  boss.objectives = definition.objectives;
  boss.createdAt = now;
  return boss;
}

std::set<std::string> completedIDs(const WeeklyBoss::Boss& boss,
                                   const std::vector<Campaigns::Campaign>& campaigns,
                                   const std::vector<std::string>& overdueRiskIDs) {
  std::set<std::string> completedChapters;
  for (const Campaigns::Campaign& campaign : campaigns) {
    for (const Campaigns::Chapter& chapter : campaign.chapters) {
      if (chapter.completed) completedChapters.insert(chapter.id);
    }
  }
  const std::set<std::string> overdue(overdueRiskIDs.begin(), overdueRiskIDs.end());
  std::set<std::string> done;
  for (const Objective& o : boss.objectives) {
    const bool finished = o.id.starts_with(riskPrefix)
                              ? !overdue.contains(o.id.substr(riskPrefix.size()))
                              : completedChapters.contains(o.id);
    if (finished) done.insert(o.id);
  }
  return done;
}

static const auto kRiskItemFields =
    std::tuple{Field{"id", &RiskItem::id}, Field{"title", &RiskItem::title}};
TALEWICK_JSON_CODING(RiskItem, kRiskItemFields)

static const auto kDefinitionFields =
    std::tuple{Field{"source", &Definition::source}, Field{"realm", &Definition::realm},
               Field{"title", &Definition::title}, Field{"objectives", &Definition::objectives}};
TALEWICK_JSON_CODING(Definition, kDefinitionFields)

}  // namespace KingdomWeeklyBossObservation
}  // namespace talewick
