// Expeditions as values: which durations and moves are allowed, when the deadline resolves them,
// and how they are written.
#include "kingdom/expedition.hpp"

#include <gtest/gtest.h>

#include <map>

#include "support/loc.hpp"

namespace talewick {
namespace {

using Phase = ExpeditionPhase;
using Issue = ExpeditionIssue;

const Date kStart{800'000'000};
const ExpeditionTarget kTicket =
    ExpeditionTarget::linearTicket("TW-12", "Corriger l'export", {25, 5});

ExpeditionState expedition(int64_t minutes, Phase phase = Phase::outbound,
                           std::optional<Issue> issue = std::nullopt,
                           std::optional<Date> resolvedAt = std::nullopt) {
  auto made = ExpeditionState::make("exp-1", kTicket, kStart, minutes, phase, issue, resolvedAt);
  EXPECT_TRUE(std::holds_alternative<ExpeditionState>(made));
  return std::get<ExpeditionState>(made);
}

TEST(ExpeditionState, LastsFiveToOneHundredEightyMinutes) {
  for (const int64_t refused : {-25, 0, 4, 181, 600}) {
    const auto made = ExpeditionState::make("exp-1", kTicket, kStart, refused);
    ASSERT_TRUE(std::holds_alternative<ExpeditionStateError>(made)) << refused;
    EXPECT_EQ(std::get<ExpeditionStateError>(made), ExpeditionStateError::invalidDuration());
  }
  for (const int64_t accepted : {5, 25, 180}) {
    const auto made = ExpeditionState::make("exp-1", kTicket, kStart, accepted);
    ASSERT_TRUE(std::holds_alternative<ExpeditionState>(made)) << accepted;
    const ExpeditionState& e = std::get<ExpeditionState>(made);
    EXPECT_EQ(e.deadline(), kStart.adding(accepted * 60.0));
    EXPECT_EQ(e.phase, Phase::outbound);
    EXPECT_FALSE(e.issue);
  }
}

TEST(ExpeditionState, TransitionOnlyFocusesAnOutboundOneAndSendsAResolvedOneHome) {
  const std::map<std::pair<Phase, Phase>, bool> allowed{
      {{Phase::outbound, Phase::focused}, true}, {{Phase::resolved, Phase::returning}, true}};
  for (const Phase from : allCases<Phase>()) {
    for (const Phase to : allCases<Phase>()) {
      SCOPED_TRACE(std::string(rawValue(from)) + " -> " + std::string(rawValue(to)));
      ExpeditionState e = expedition(25, from);
      const ExpeditionState before = e;
      const auto error = e.transition(to);
      if (allowed.count({from, to})) {
        EXPECT_FALSE(error);
        EXPECT_EQ(e.phase, to);
      } else {
        EXPECT_EQ(error, ExpeditionStateError::invalidTransition(from, to));
        EXPECT_EQ(e, before);
      }
    }
  }
}

TEST(ExpeditionState, ResolvesOrRetreatsOnlyWhileUnderWay) {
  for (const Phase from : {Phase::outbound, Phase::focused}) {
    ExpeditionState won = expedition(25, from);
    EXPECT_FALSE(won.resolve(kStart.adding(60), Issue::defeated));
    EXPECT_EQ(won, expedition(25, Phase::resolved, Issue::defeated, kStart.adding(60)));

    ExpeditionState left = expedition(25, from);
    EXPECT_FALSE(left.retreat(kStart.adding(90)));
    EXPECT_EQ(left, expedition(25, Phase::resolved, Issue::retreated, kStart.adding(90)));
  }
  for (const Phase from : {Phase::resolved, Phase::returning}) {
    ExpeditionState over = expedition(25, from, Issue::retreated, kStart.adding(90));
    const ExpeditionState before = over;
    const auto refused = ExpeditionStateError::invalidTransition(from, Phase::resolved);
    EXPECT_EQ(over.retreat(kStart.adding(120)), refused);
    EXPECT_EQ(over.resolve(kStart.adding(120), Issue::defeated), refused);
    EXPECT_EQ(over, before);
  }
}

TEST(ExpeditionState, TheDeadlineResolvesItAsDefeatedAtTheDeadlineItself) {
  ExpeditionState e = expedition(25, Phase::focused);
  EXPECT_FALSE(e.hasReachedDeadline(kStart.adding(1499)));
  EXPECT_FALSE(e.resolveIfDeadlineReached(kStart.adding(1499)));
  EXPECT_EQ(e, expedition(25, Phase::focused));
  EXPECT_TRUE(e.hasReachedDeadline(kStart.adding(1500)));

  // Looked at two hours after it started: it ended 25 minutes in.
  EXPECT_TRUE(e.resolveIfDeadlineReached(kStart.adding(2 * 3600)));
  EXPECT_EQ(e, expedition(25, Phase::resolved, Issue::defeated, kStart.adding(1500)));
  EXPECT_FALSE(e.resolveIfDeadlineReached(kStart.adding(3 * 3600)));  // once only
  EXPECT_EQ(e.resolvedAt, kStart.adding(1500));

  // An expedition never focused resolves the same way; a retreated one stays retreated.
  ExpeditionState unfocused = expedition(5);
  EXPECT_TRUE(unfocused.resolveIfDeadlineReached(kStart.adding(300)));
  EXPECT_EQ(unfocused.issue, Issue::defeated);
  ExpeditionState retreated = expedition(5, Phase::resolved, Issue::retreated, kStart.adding(10));
  EXPECT_FALSE(retreated.resolveIfDeadlineReached(kStart.adding(600)));
  EXPECT_EQ(retreated.issue, Issue::retreated);
}

TEST(ExpeditionState, RemainingTimeCountsDownToTheDeadlineAndBelow) {
  const ExpeditionState e = expedition(25);
  EXPECT_EQ(e.remainingTime(kStart), 1500.0);
  EXPECT_EQ(e.remainingTime(kStart.adding(1000.5)), 499.5);
  EXPECT_EQ(e.remainingTime(kStart.adding(1500)), 0.0);
  EXPECT_EQ(e.remainingTime(kStart.adding(1800)), -300.0);
}

TEST(FocusSession, AWindowLastsAtLeastOneMinute) {
  EXPECT_EQ(FocusSession::focusWindow(kStart, 0), (DateInterval{kStart, kStart.adding(60)}));
  EXPECT_EQ(FocusSession::focusWindow(kStart, -10), (DateInterval{kStart, kStart.adding(60)}));
  EXPECT_EQ(FocusSession::focusWindow(kStart, 45), (DateInterval{kStart, kStart.adding(2700)}));
}

TEST(ExpeditionState, IsWrittenWithItsFieldNamesAndTheTargetUnderItsKind) {
  const ExpeditionState e = expedition(25, Phase::resolved, Issue::defeated, kStart.adding(1500));
  const Json written = json_coding::encode(e);
  EXPECT_EQ(written.dump(),
            R"({"id":"exp-1","target":{"linearTicket":{"id":"TW-12","title":"Corriger l'export",)"
            R"("reward":{"xp":25,"gold":5}}},"startedAt":800000000.0,"durationMinutes":25,)"
            R"("phase":"resolved","issue":"defeated","resolvedAt":800001500.0})");
  EXPECT_EQ(decodeJsonText<ExpeditionState>(written.dump()), e);
  // Under way: no issue, no resolution written.
  EXPECT_EQ(json_coding::encode(expedition(25)).size(), 5u);

  for (const auto& target :
       {ExpeditionTarget::vaultTask("notes/a.md#3", "Relire", {10, 2}),
        ExpeditionTarget::calendarEvent("ev-9", "Rapport", {}),
        ExpeditionTarget::ofKind("reminder", "rem-1", "Appeler le garage", {15, 3})}) {
    SCOPED_TRACE(target.storedKind());
    const Json j = json_coding::encode(target);
    ASSERT_TRUE(j.contains(target.storedKind()));
    EXPECT_EQ(decodeJsonText<ExpeditionTarget>(j.dump()), target);
  }
  // A kind this version does not know comes back as it was read.
  const auto newer = decodeJsonText<ExpeditionTarget>(
      R"({"githubIssue":{"id":"gh-4","title":"Fuite","reward":{"xp":1,"gold":0}}})");
  EXPECT_EQ(newer.kind, ExpeditionTarget::Kind::unknown);
  EXPECT_EQ(json_coding::encode(newer).dump(),
            R"({"githubIssue":{"id":"gh-4","title":"Fuite","reward":{"xp":1,"gold":0}}})");
}

TEST(ExpeditionState, DamagedRecordsAreRefusedNamingTheField) {
  const std::string body = R"({"id":"TW-1","title":"t","reward":{"xp":1,"gold":0}})";
  const struct {
    std::string text, path, reason;
  } cases[] = {
      {"{}", "", "objet attendu, d'une seule clé nommant le genre de cible"},
      {R"({"linearTicket":)" + body + R"(,"vaultTask":)" + body + "}", "",
       "objet attendu, d'une seule clé nommant le genre de cible"},
      {R"({"vaultTask":{"id":"v","reward":{"xp":1,"gold":0}}})", "vaultTask.title",
       "champ manquant"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      decodeJsonText<ExpeditionTarget>(c.text);
      ADD_FAILURE() << "decoded";
    } catch (const DecodeError& e) {
      EXPECT_EQ(e.path(), c.path);
      EXPECT_EQ(e.reason(), c.reason);
    }
  }
  Json state = json_coding::encode(expedition(25));
  state["phase"] = "lost";
  EXPECT_THROW(decodeJsonText<ExpeditionState>(state.dump()), DecodeError);
}

TEST(ExpeditionStateError, SaysWhichMoveWasRefused) {
  EXPECT_EQ(describe(ExpeditionStateError::invalidTransition(Phase::resolved, Phase::resolved)),
            "l'expédition ne peut pas passer de l'étape « dénouement » à l'étape « dénouement »");
  EXPECT_EQ(describe(ExpeditionStateError::invalidDuration()),
            "une expédition dure de 5 à 180 minutes");
  Loc::setLanguage(Loc::Language::en);
  EXPECT_EQ(describe(ExpeditionStateError::invalidTransition(Phase::focused, Phase::returning)),
            "the expedition cannot go from “focused” to “returning”");
  Loc::setLanguage(Loc::Language::fr);
}

}  // namespace
}  // namespace talewick
