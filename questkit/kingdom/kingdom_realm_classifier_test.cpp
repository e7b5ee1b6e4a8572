// Realm membership of calendar quests: the searchable text, the heuristics, how they combine, and
// how a forced realm overrules them.
#include "kingdom/kingdom_realm_classifier.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace talewick {
namespace {

namespace KRC = KingdomRealmClassifier;
using Membership = KRC::Membership;

Quest quest(std::string title, int64_t tier = 1, std::string archetype = "generique") {
  Quest q;
  q.id = "quest_" + title;
  q.rawTitle = std::move(title);
  q.name = "La Chronique";
  q.threat.tier = tier;
  q.archetypeId = std::move(archetype);
  return q;
}

DayEvent withAttendees(int64_t attendees) {
  DayEvent e;
  e.attendees = attendees;
  return e;
}

Membership classify(const Quest& q, const DayEvent* e = nullptr,
                    std::optional<KingdomRealm> forced = std::nullopt) {
  return KRC::membership(q, e, KRC::searchableText(q, e, {}), forced);
}

constexpr Membership kNone{};
constexpr Membership kFamily{.family = true};
constexpr Membership kPersonal{.personal = true};
constexpr Membership kTicket{.ticket = true};
constexpr Membership kDeadline{.deadline = true};

TEST(KingdomRealmClassifier, SearchableTextJoinsThePresentPartsFolded) {
  Quest q = quest("Démo Équipe");
  q.biome = "Forêt";
  DayEvent e;
  e.location = "Salle Île";
  e.url = "https://exemple.fr/Réunion";
  e.calendarID = "cal-1";
  const std::map<std::string, std::string> titles{{"cal-1", "Famille Ça"}};
  EXPECT_EQ(KRC::searchableText(q, &e, titles),
            "demo equipe la chronique foret salle ile https://exemple.fr/reunion famille ca");
  EXPECT_EQ(KRC::searchableText(q, nullptr, titles), "demo equipe la chronique foret");
  e.calendarID = "cal-2";
  e.notes = "Note";
  EXPECT_EQ(KRC::searchableText(q, &e, titles),
            "demo equipe la chronique foret salle ile note https://exemple.fr/reunion");
}

TEST(KingdomRealmClassifier, HeuristicsAndTheirEdges) {
  EXPECT_EQ(classify(quest("Démo client")), kDeadline);  // folded "demo"; "client" is work
  EXPECT_EQ(classify(quest("Point hebdo", 4)), kDeadline);
  EXPECT_EQ(classify(quest("Point hebdo", 3)), kNone);
  EXPECT_EQ(classify(quest("Debugging du paiement")), kTicket);  // plain substring "bug"
  EXPECT_EQ(classify(quest("Relire la pull-request")), kNone);
  EXPECT_EQ(classify(quest("Rituel", 1, "bain_rituel_coucher")), kFamily);
  Quest place = quest("Balade");
  place.biomeKey = "school";
  EXPECT_EQ(classify(place), kFamily);
  place.biomeKey = "park";
  EXPECT_EQ(classify(place), kPersonal);
  EXPECT_EQ(classify(quest("Pause", 1, "temps_pour_soi")), kPersonal);
  EXPECT_EQ(classify(quest("Run sync")), kNone);  // a work word rules personal out
  const DayEvent two = withAttendees(2), alone = withAttendees(0);
  EXPECT_EQ(classify(quest("Sport"), &alone), kPersonal);
  EXPECT_EQ(classify(quest("Sport"), &two), kNone);
  EXPECT_FALSE(KRC::isPersonalQuest(quest("Sport"), &two, "sport", false, false));
}

TEST(KingdomRealmClassifier, PersonalNeverCombinesOtherFlagsMay) {
  EXPECT_EQ(classify(quest("Sport en famille")), kFamily);
  // "courses" is a family word holding the personal word "course".
  EXPECT_EQ(classify(quest("Courses du samedi")), kFamily);
  EXPECT_TRUE(KRC::isPersonalQuest(quest("Courses"), nullptr, "courses", false, false));
  EXPECT_EQ(classify(quest("Sport", 4)), kDeadline);
  EXPECT_EQ(classify(quest("Rendu école")), (Membership{.family = true, .deadline = true}));
  EXPECT_EQ(classify(quest("Bug de la release")), (Membership{.ticket = true, .deadline = true}));
}

TEST(KingdomRealmClassifier, AForcedRealmIsTheOnlyFlag) {
  const DayEvent two = withAttendees(2);
  EXPECT_EQ(classify(quest("Sport"), &two, KingdomRealm::personal), kPersonal);
  EXPECT_EQ(classify(quest("Goûter en famille"), nullptr, KingdomRealm::tickets), kTicket);
  EXPECT_EQ(classify(quest("Sport"), nullptr, KingdomRealm::family), kFamily);
  EXPECT_EQ(classify(quest("Goûter en famille"), nullptr, KingdomRealm::factions), kFamily);
  EXPECT_EQ(KRC::validatedForcedRealm(std::nullopt), std::nullopt);
  EXPECT_EQ(KRC::validatedForcedRealm("deadlines"), KingdomRealm::deadlines);
  for (const char* raw : {"factions", "reminders", "Family", ""}) {
    EXPECT_EQ(KRC::validatedForcedRealm(raw), std::nullopt) << raw;
  }
}

TEST(KingdomRealmClassifier, DeadlineResolutionSkipsQuestsPinnedElsewhere) {
  const std::vector<Quest> quests{quest("a"), quest("b"), quest("c"), quest("d")};
  const std::map<std::string, KingdomRealm> pins{{"quest_b", KingdomRealm::family},
                                                 {"quest_c", KingdomRealm::deadlines}};
  const auto kept = KRC::deadlineResolverQuests(quests, [&](const Quest& q) {
    const auto it = pins.find(q.id);
    return it == pins.end() ? std::nullopt : std::optional(it->second);
  });
  std::vector<std::string> ids;
  for (const auto& q : kept) ids.push_back(q.id);
  EXPECT_EQ(ids, (std::vector<std::string>{"quest_a", "quest_c", "quest_d"}));
}

TEST(KingdomRealmClassifier, OccurrenceKeyAlwaysWritesAFraction) {
  Quest q = quest("e1");
  q.startDate = Date{786297600};
  EXPECT_EQ(KRC::occurrenceKey(q), "quest_e1|786297600.0");
  q.startDate = Date{786297600.5};
  EXPECT_EQ(KRC::occurrenceKey(q), "quest_e1|786297600.5");
}

}  // namespace
}  // namespace talewick
