// Campaigns and the weekly boss as `talewick rules` reaches them. A calendar argument is the time
// zone id the ISO week calendar is made for ("Europe/Paris").
#include <array>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "kingdom/campaigns.hpp"
#include "kingdom/weekly_boss.hpp"
#include "ui/commands/rule_arguments.hpp"
#include "ui/commands/rule_table.hpp"

namespace talewick::ui {
namespace {

using namespace rule_arguments;
using Campaigns::Campaign;
using WeeklyBoss::Boss;
namespace Obs = KingdomWeeklyBossObservation;

Campaign campaign(const Json& j, const char* key = "campaign") {
  return required<Campaign>(j, key);
}
std::vector<Campaign> campaigns(const Json& j, const char* key) {
  return required<std::vector<Campaign>>(j, key);
}
Date now(const Json& j) { return required<Date>(j, "now"); }
WeeklyBoss::Calendar calendar(const Json& j) {
  return WeeklyBoss::mondayCalendar(required<std::string>(j, "calendar"));
}
Boss boss(const Json& j, const char* key = "boss") { return required<Boss>(j, key); }

Json canActivate(const Json& j) {
  return Campaigns::canActivate(campaign(j), campaigns(j, "existing"));
}
Json activateNextChapter(const Json& j) {
  return json_coding::encode(Campaigns::activateNextChapter(
      campaign(j), required<std::vector<std::string>>(j, "candidates")));
}
Json evaluateCampaign(const Json& j) {
  const Campaigns::Evaluation e =
      Campaigns::evaluate(campaign(j), required<Campaigns::LiveState>(j, "live"), now(j));
  return Json{{"campaign", json_coding::encode(e.campaign)},
              {"newlyCompleted", json_coding::encode(e.newlyCompleted)}};
}
Json completeManualChapter(const Json& j) {
  return json_coding::encode(
      Campaigns::completeManualChapter(campaign(j), required<std::string>(j, "chapterID"), now(j)));
}
Json markChapterCredited(const Json& j) {
  return json_coding::encode(
      Campaigns::markChapterCredited(campaign(j), required<std::string>(j, "chapterID"), now(j)));
}
Json markCampaignFinalCredited(const Json& j) {
  return json_coding::encode(Campaigns::markFinalCredited(campaign(j)));
}
Json makeDormant(const Json& j) { return json_coding::encode(Campaigns::makeDormant(campaign(j))); }
Json wake(const Json& j) {
  return json_coding::encode(Campaigns::wake(campaign(j), campaigns(j, "existing")));
}
Json stalled(const Json& j) {
  return Campaigns::stalled(campaign(j), required<bool>(j, "anchorAvailable"));
}
Json campaignSummary(const Json& j) {
  return json_coding::encode(Campaigns::summary(campaign(j, "for")));
}
Json chapterReceiptID(const Json& j) {
  return Campaigns::chapterReceiptID(required<std::string>(j, "campaignID"),
                                     required<std::string>(j, "chapterID"),
                                     required<std::string>(j, "dayKey"));
}
Json campaignFinalReceiptID(const Json& j) {
  return Campaigns::finalReceiptID(required<std::string>(j, "campaignID"),
                                   required<std::string>(j, "dayKey"));
}
// Sets leave as sorted arrays.
Json sorted(const std::set<std::string>& ids) {
  return Json(std::vector<std::string>(ids.begin(), ids.end()));
}
Json completedIDsOfLive(const Json& j) {
  return sorted(required<Campaigns::LiveState>(j, "live").completedIDs());
}
Json makeChapter(const Json& j) {
  const Campaigns::ChapterDraft draft{required<std::string>(j, "title"),
                                      required<Campaigns::Anchor>(j, "anchor"),
                                      required<int64_t>(j, "targetCount"),
                                      optional<Date>(j, "deadline"), required<bool>(j, "isManual")};
  return json_coding::encode(Campaigns::makeChapter(required<std::string>(j, "campaignID"),
                                                    required<int64_t>(j, "position"), draft));
}
Json chronicleEntry(const Json& j) {
  return json_coding::encode(Campaigns::chronicleEntry(campaign(j), now(j)));
}

Json weekKey(const Json& j) { return WeeklyBoss::weekKey(required<Date>(j, "for"), calendar(j)); }
Json weekStart(const Json& j) {
  return json_coding::encode(WeeklyBoss::weekStart(required<Date>(j, "for"), calendar(j)));
}
Json weekInterval(const Json& j) {
  const auto interval = WeeklyBoss::weekInterval(required<Date>(j, "for"), calendar(j));
  if (!interval) return nullptr;
  return Json{{"start", json_coding::encode(interval->start)},
              {"end", json_coding::encode(interval->end)}};
}
Json evaluateBoss(const Json& j) {
  const auto ids = required<std::vector<std::string>>(j, "completedIDs");
  const WeeklyBoss::Evaluation e =
      WeeklyBoss::evaluate(boss(j), std::set<std::string>(ids.begin(), ids.end()));
  return Json{{"boss", json_coding::encode(e.boss)},
              {"newlyCompleted", json_coding::encode(e.newlyCompleted)}};
}
Json resolve(const Json& j) { return json_coding::encode(WeeklyBoss::resolve(boss(j), now(j))); }
Json bossSummary(const Json& j) { return json_coding::encode(WeeklyBoss::summary(boss(j, "for"))); }
Json bossFinalReceiptID(const Json& j) {
  return WeeklyBoss::finalReceiptID(required<std::string>(j, "weekKey"),
                                    required<std::string>(j, "bossID"));
}

Json define(const Json& j) {
  const auto d = Obs::define(campaigns(j, "campaigns"),
                             required<std::vector<Obs::RiskItem>>(j, "overdueRisks"),
                             required<std::string>(j, "riskTitle"));
  return d ? json_coding::encode(*d) : Json(nullptr);
}
Json makeBoss(const Json& j) {
  return json_coding::encode(Obs::makeBoss(required<Obs::Definition>(j, "definition"),
                                           required<std::string>(j, "weekKey"), now(j)));
}
Json completedIDs(const Json& j) {
  return sorted(Obs::completedIDs(boss(j), campaigns(j, "campaigns"),
                                  required<std::vector<std::string>>(j, "overdueRiskIDs")));
}

constexpr std::array kRules{
    Rule{"Campaigns.canActivate", canActivate},
    Rule{"Campaigns.activateNextChapter", activateNextChapter},
    Rule{"Campaigns.evaluate", evaluateCampaign},
    Rule{"Campaigns.completeManualChapter", completeManualChapter},
    Rule{"Campaigns.markChapterCredited", markChapterCredited},
    Rule{"Campaigns.markFinalCredited", markCampaignFinalCredited},
    Rule{"Campaigns.makeDormant", makeDormant},
    Rule{"Campaigns.wake", wake},
    Rule{"Campaigns.stalled", stalled},
    Rule{"Campaigns.summary", campaignSummary},
    Rule{"Campaigns.chapterReceiptID", chapterReceiptID},
    Rule{"Campaigns.finalReceiptID", campaignFinalReceiptID},
    Rule{"Campaigns.LiveState.completedIDs", completedIDsOfLive},
    Rule{"Campaigns.makeChapter", makeChapter},
    Rule{"Campaigns.chronicleEntry", chronicleEntry},
    Rule{"WeeklyBoss.weekKey", weekKey},
    Rule{"WeeklyBoss.weekStart", weekStart},
    Rule{"WeeklyBoss.weekInterval", weekInterval},
    Rule{"WeeklyBoss.evaluate", evaluateBoss},
    Rule{"WeeklyBoss.resolve", resolve},
    Rule{"WeeklyBoss.summary", bossSummary},
    Rule{"WeeklyBoss.finalReceiptID", bossFinalReceiptID},
    Rule{"KingdomWeeklyBossObservation.define", define},
    Rule{"KingdomWeeklyBossObservation.makeBoss", makeBoss},
    Rule{"KingdomWeeklyBossObservation.completedIDs", completedIDs},
};

}  // namespace

std::span<const Rule> arcRules() { return kRules; }

}  // namespace talewick::ui
