// `talewick rules NAME`: one kingdom rule, pure, for scripts. The arguments come as one JSON
// object on standard input, the result leaves as JSON on standard output. Dates are written as
// seconds since 2001, so that a result feeds the next call as it is.
#include <array>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "game/day_event.hpp"
#include "game/quest.hpp"
#include "kingdom/capacity.hpp"
#include "kingdom/journey.hpp"
#include "kingdom/kingdom_realm.hpp"
#include "kingdom/kingdom_realm_classifier.hpp"
#include "kingdom/world_quests.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/rule_table.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

using json_coding::Field;

// --- Arguments: one record per rule, decoded strictly ---

struct GenerateArgs {
  std::string dayKey;
  WorldQuests::Candidates candidates;
  int64_t maxObjectives = 0;
};

struct EvaluateArgs {
  WorldQuests::DailyBoard board;
  WorldQuests::LiveState live;
};

struct JourneyArgs {
  Journey::State state;
  std::vector<Journey::Candidate> candidates;
  std::string dayKey;
};

struct MembershipArgs {
  Quest quest;
  std::optional<DayEvent> event;
  std::map<std::string, std::string> calendarTitlesByID;
  std::optional<KingdomRealm> forcedRealm;
};

void from_json(const Json& j, GenerateArgs& v) {
  json_coding::readFields(j, v,
                          std::tuple{Field{"dayKey", &GenerateArgs::dayKey},
                                     Field{"candidates", &GenerateArgs::candidates},
                                     Field{"maxObjectives", &GenerateArgs::maxObjectives}});
}

void from_json(const Json& j, EvaluateArgs& v) {
  json_coding::readFields(
      j, v, std::tuple{Field{"board", &EvaluateArgs::board}, Field{"live", &EvaluateArgs::live}});
}

void from_json(const Json& j, JourneyArgs& v) {
  json_coding::readFields(
      j, v,
      std::tuple{Field{"state", &JourneyArgs::state}, Field{"candidates", &JourneyArgs::candidates},
                 Field{"dayKey", &JourneyArgs::dayKey}});
}

void from_json(const Json& j, MembershipArgs& v) {
  json_coding::readFields(
      j, v,
      std::tuple{Field{"quest", &MembershipArgs::quest}, Field{"event", &MembershipArgs::event},
                 Field{"calendarTitlesByID", &MembershipArgs::calendarTitlesByID},
                 Field{"forcedRealm", &MembershipArgs::forcedRealm}});
}

template <class T>
T decoded(const Json& j) {
  T value{};
  json_coding::decode(j, value);
  return value;
}

// --- Results that have no JSON coding of their own ---

template <class R, class... Fs>
Json record(const R& value, const std::tuple<Fs...>& fields) {
  Json j;
  json_coding::writeFields(j, value, fields);
  return j;
}

// --- The rules ---

Json generate(const Json& j) {
  const auto a = decoded<GenerateArgs>(j);
  return json_coding::encode(WorldQuests::generate(a.dayKey, a.candidates, a.maxObjectives));
}

Json evaluate(const Json& j) {
  const auto a = decoded<EvaluateArgs>(j);
  using WorldQuests::Evaluation;
  return record(WorldQuests::evaluate(a.board, a.live),
                std::tuple{Field{"board", &Evaluation::board},
                           Field{"newlyCompleted", &Evaluation::newlyCompleted}});
}

Json resolve(const Json& j) {
  const auto a = decoded<JourneyArgs>(j);
  return json_coding::encode(Journey::resolveMain(a.state, a.candidates, a.dayKey));
}

Json assess(const Json& j) {
  return json_coding::encode(Capacity::assess(decoded<Capacity::Load>(j)));
}

Json membership(const Json& j) {
  const auto a = decoded<MembershipArgs>(j);
  namespace K = KingdomRealmClassifier;
  const DayEvent* event = a.event ? &*a.event : nullptr;
  const std::string text = K::searchableText(a.quest, event, a.calendarTitlesByID);
  return record(K::membership(a.quest, event, text, a.forcedRealm),
                std::tuple{Field{"family", &K::Membership::family},
                           Field{"personal", &K::Membership::personal},
                           Field{"ticket", &K::Membership::ticket},
                           Field{"deadline", &K::Membership::deadline}});
}

constexpr std::array<Rule, 5> kRules{{
    {"world-quests.generate", generate},
    {"world-quests.evaluate", evaluate},
    {"journey.resolve", resolve},
    {"capacity.assess", assess},
    {"realm.membership", membership},
}};

const Rule& ruleNamed(const std::string& name) {
  std::string names;
  for (const std::span<const Rule> table :
       {kingdomRules(), gameRules(), arcRules(), expeditionRules(), taskRules(), peopleRules(),
        inviteRules(), togetherRules(), pipelineRules(), linearRules()}) {
    for (const Rule& rule : table) {
      if (rule.name == name) return rule;
      names += (names.empty() ? "" : ", ") + std::string(rule.name);
    }
  }
  throw UsageError(Loc::format(
      Loc::string("cli.rules.unknown", "règle inconnue : « %@ » (règles : %@)"), {name, names}));
}

Json parsed(const std::string& text) {
  try {
    return Json::parse(text);
  } catch (const nlohmann::json::parse_error& e) {
    throw DecodeError("", describeParseError(e));
  }
}

int rules(const std::string& name, Io& io) {
  const Rule& rule = ruleNamed(name);
  const std::string input(std::istreambuf_iterator<char>(io.in), {});
  DateStyleScope seconds(DateStyle::referenceSeconds);
  Json result;
  try {
    result = rule.apply(parsed(input));
  } catch (const DecodeError& e) {
    const std::string where = e.path().empty() ? "" : e.path() + " — ";
    throw UsageError(Loc::string("cli.rules.badArguments", "arguments invalides : ") + where +
                     e.reason());
  }
  printJson(io.out, result);
  return EXIT_DONE;
}

}  // namespace

std::span<const Rule> kingdomRules() { return kRules; }

Command rulesCommand() {
  return Command{
      "rules",
      Loc::string("cli.rules.help",
                  "Une règle du royaume à l'état pur : arguments JSON sur l'entrée standard, "
                  "verdict JSON en sortie"),
      [](CLI::App& cmd) -> Handler {
        auto name = std::make_shared<std::string>();
        cmd.add_option("name", *name,
                       Loc::string("cli.rules.name",
                                   "La règle à consulter (Engine.computeRecap, Loot.catalog… ; "
                                   "un nom inconnu les liste toutes)"))
            ->required();
        return [name](Io& io, AppContext&) { return rules(*name, io); };
      }};
}

}  // namespace talewick::ui
