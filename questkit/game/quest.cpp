#include "game/quest.hpp"

namespace talewick {

using json_coding::Field;

static const auto kThreatFields = std::tuple{
    Field{"tier", &Threat::tier}, Field{"label", &Threat::label}, Field{"emoji", &Threat::emoji}};
TALEWICK_JSON_CODING(Threat, kThreatFields)

static const auto kRealQuestFields =
    std::tuple{Field{"title", &RealQuest::title}, Field{"reward", &RealQuest::reward}};
TALEWICK_JSON_CODING(RealQuest, kRealQuestFields)

static const auto kChoiceOptionFields = std::tuple{Field{"id", &ChoiceOption::id},
                                                   Field{"label", &ChoiceOption::label},
                                                   Field{"consequence", &ChoiceOption::consequence},
                                                   Field{"statDelta", &ChoiceOption::statDelta},
                                                   Field{"xpDelta", &ChoiceOption::xpDelta},
                                                   Field{"realQuest", &ChoiceOption::realQuest}};
TALEWICK_JSON_CODING(ChoiceOption, kChoiceOptionFields)

static const auto kQuestFields = std::tuple{Field{"id", &Quest::id},
                                            Field{"name", &Quest::name},
                                            Field{"emoji", &Quest::emoji},
                                            Field{"intro", &Quest::intro},
                                            Field{"baseXp", &Quest::baseXp},
                                            Field{"rarity", &Quest::rarity},
                                            Field{"threat", &Quest::threat},
                                            Field{"biome", &Quest::biome},
                                            Field{"biomeKey", &Quest::biomeKey},
                                            Field{"timeOfDay", &Quest::timeOfDay},
                                            Field{"rawTitle", &Quest::rawTitle},
                                            Field{"startDate", &Quest::startDate},
                                            Field{"durationMin", &Quest::durationMin},
                                            Field{"archetypeId", &Quest::archetypeId},
                                            Field{"choices", &Quest::choices},
                                            Field{"intensityHot", &Quest::intensityHot},
                                            Field{"needsResponse", &Quest::needsResponse},
                                            Field{"linkedItem", &Quest::linkedItem}};
TALEWICK_JSON_CODING(Quest, kQuestFields)

}  // namespace talewick
