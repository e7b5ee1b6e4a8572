// The game's pure rules as `talewick rules` reaches them: the replay engine, the persona, loot,
// equipment, the economy, deeds, the vocations and the paid switch of narrative mode.
#include <array>

#include "game/achievements.hpp"
#include "game/economy.hpp"
#include "game/engine.hpp"
#include "game/equipment.hpp"
#include "game/vigil_recap.hpp"
#include "kingdom/rest_sanctuary.hpp"
#include "kingdom/vigil.hpp"
#include "kingdom/vocations.hpp"
#include "ui/commands/rule_arguments.hpp"
#include "ui/commands/rule_table.hpp"

namespace talewick::ui {
namespace {

using namespace rule_arguments;

Hero hero(const Json& j, const char* key = "hero") { return required<Hero>(j, key); }
RPGMode mode(const Json& j) { return required<RPGMode>(j, "mode"); }

Json computeRecap(const Json& j) {
  return json_coding::encode(Engine::computeRecap(
      hero(j), required<std::vector<Quest>>(j, "quests"), required<Engine::Choices>(j, "choices"),
      required<std::string>(j, "dateISO"), optional<int64_t>(j, "seed"), mode(j)));
}
Json applyRecap(const Json& j) {
  return json_coding::encode(Engine::applyRecap(hero(j), required<DayRecap>(j, "recap"),
                                                optional<PhysicalState>(j, "physical")));
}
Json streakTransition(const Json& j) {
  const Engine::StreakTransition t = Engine::streakTransition(
      required<int64_t>(j, "prevStreak"), optional<std::string>(j, "lastReplayISO"),
      required<std::string>(j, "todayISO"));
  Json out{{"streak", t.streak}};
  if (t.streakLost) out["streakLost"] = *t.streakLost;
  return out;
}
Json heroicSuccessChance(const Json& j) {
  return Engine::heroicSuccessChance(required<int64_t>(j, "energy"));
}
Json energyBefore(const Json& j) {
  return Engine::energyBefore(required<int64_t>(j, "chapter"), hero(j),
                              required<std::vector<Quest>>(j, "quests"),
                              required<Engine::Choices>(j, "choices"));
}
Json sleepEnergyDelta(const Json& j) {
  return Engine::sleepEnergyDelta(optional<double>(j, "sleepHours"));
}
Json sleepChaosDelta(const Json& j) {
  return Engine::sleepChaosDelta(optional<double>(j, "sleepHours"));
}
Json stepsStrengthDelta(const Json& j) {
  return Engine::stepsStrengthDelta(optional<int64_t>(j, "steps"));
}
Json addStats(const Json& j) {
  return json_coding::encode(
      Engine::addStats(required<Stats>(j, "stats"), required<StatDelta>(j, "delta")));
}
Json clampStats(const Json& j) {
  return json_coding::encode(Engine::clampStats(required<Stats>(j, "stats")));
}
Json mergeDelta(const Json& j) {
  return json_coding::encode(
      Engine::mergeDelta(required<StatDelta>(j, "a"), required<StatDelta>(j, "b")));
}
Json questStatDelta(const Json& j) {
  return json_coding::encode(Engine::questStatDelta(required<std::string>(j, "archetypeId")));
}
Json seedRng(const Json& j) { return Engine::seedRng(required<int64_t>(j, "seed")); }
Json chooseOption(const Json& j) {
  const auto chosen = Persona::chooseOption(required<Quest>(j, "quest"), hero(j),
                                            required<PersonaKind>(j, "persona"), randomSource(j));
  return chosen ? Json(*chosen) : Json(nullptr);
}

Json lootCatalog(const Json&) { return json_coding::encode(Loot::catalog()); }
Json lootRoll(const Json& j) {
  return json_coding::encode(Loot::roll(required<Rarity>(j, "rarityHint"),
                                        required<int64_t>(j, "chaos"), mode(j), randomSource(j)));
}
Json lootRollGuaranteed(const Json& j) {
  return json_coding::encode(
      Loot::rollGuaranteed(required<Rarity>(j, "rarity"), mode(j), randomSource(j)));
}
Json pickWeighted(const Json& j) {
  using Weighted = std::vector<std::pair<Json, int64_t>>;
  Weighted weighted;
  for (const auto& entry : array(j, "weighted")) {
    if (!entry.is_array() || entry.size() != 2 || !entry[1].is_number_integer()) {
      throw DecodeError("weighted", "each entry is [value, whole weight]");
    }
    weighted.emplace_back(entry[0], entry[1].get<int64_t>());
  }
  if (weighted.empty()) throw DecodeError("weighted", "at least one entry");
  return Loot::pickWeighted(weighted, required<double>(j, "u"));
}
// The template is named by its id: the catalogue is the only source of templates.
Json makeItem(const Json& j) {
  const std::string id = required<std::string>(j, "template");
  const Loot::Template* t = Loot::templateById(id);
  if (!t) throw DecodeError("template", "no template has the id " + id);
  return json_coding::encode(Loot::makeItem(*t, mode(j), required<std::string>(j, "id")));
}
Json pickIndex(const Json& j) {
  return Loot::pickIndex(required<int64_t>(j, "count"), required<double>(j, "u"));
}
Json setDisplayName(const Json& j) {
  return Loot::setDisplayName(required<std::string>(j, "setId"), mode(j));
}
Json setBlurb(const Json& j) { return Loot::setBlurb(required<std::string>(j, "setId"), mode(j)); }

Json equippedItems(const Json& j) { return json_coding::encode(Equipment::equippedItems(hero(j))); }
Json completedSets(const Json& j) { return json_coding::encode(Equipment::completedSets(hero(j))); }
Json activeMods(const Json& j) { return json_coding::encode(Equipment::activeMods(hero(j))); }
Json effectiveStats(const Json& j) {
  return json_coding::encode(Equipment::effectiveStats(hero(j)));
}
Json xpMultFor(const Json& j) {
  return Equipment::xpMultFor(required<AggregatedMods>(j, "mods"),
                              required<std::string>(j, "archetypeId"));
}
Json setBonus(const Json& j) {
  return json_coding::encode(Equipment::setBonus(required<std::string>(j, "setId")));
}
Json autoEquip(const Json& j) { return json_coding::encode(Equipment::autoEquip(hero(j))); }

Json goldForQuest(const Json& j) {
  return Economy::goldForQuest(required<int64_t>(j, "xp"), required<int64_t>(j, "threatTier"),
                               required<bool>(j, "bossVictory"), required<double>(j, "goldMult"));
}
Json recycleValue(const Json& j) { return Economy::recycleValue(required<LootItem>(j, "item")); }
Json recycle(const Json& j) {
  return json_coding::encode(Economy::recycle(hero(j), required<std::string>(j, "itemId")));
}
Json autoRecycle(const Json& j) { return json_coding::encode(Economy::autoRecycle(hero(j))); }
Json shop(const Json&) { return json_coding::encode(Economy::shop()); }
Json autoShop(const Json& j) {
  const int64_t maxBuys = required<int64_t>(j, "maxBuys");
  if (maxBuys < 0) throw DecodeError("maxBuys", "0 or more");
  return json_coding::encode(Economy::autoShop(hero(j), maxBuys));
}

Json deedContext(const Json& j) {
  return json_coding::encode(Achievements::deedContext(hero(j, "for")));
}
Json evaluateDeeds(const Json& j) {
  return json_coding::encode(Achievements::evaluateDeeds(required<DeedContext>(j, "context")));
}
Json unlockedDeeds(const Json& j) {
  return json_coding::encode(Achievements::unlockedDeeds(hero(j, "for"), mode(j)));
}
Json allDeeds(const Json& j) { return json_coding::encode(Achievements::allDeeds(mode(j))); }
Json deed(const Json& j) {
  const auto d = Achievements::deed(required<std::string>(j, "id"), mode(j));
  return d ? json_coding::encode(*d) : Json(nullptr);
}
Json deedDisplay(const Json& j) {
  const Achievements::DeedDisplay d =
      Achievements::deedDisplay(required<std::string>(j, "id"), mode(j));
  return Json{{"title", d.title}, {"emoji", d.emoji}, {"desc", d.desc}};
}
Json titleLabel(const Json& j) {
  const auto label = Achievements::titleLabel(required<std::string>(j, "forDeedID"), mode(j));
  return label ? Json(*label) : Json(nullptr);
}
Json topDeedTitle(const Json& j) {
  std::vector<Deed> deeds;
  for (const Json& d : array(j, "deeds")) {
    deeds.push_back(Deed{required<std::string>(d, "id"), required<std::string>(d, "title"),
                         required<std::string>(d, "emoji"),
                         optional<std::string>(d, "desc").value_or("")});
  }
  const auto title = Achievements::topDeedTitle(deeds);
  return title ? Json(*title) : Json(nullptr);
}

Json missedDays(const Json& j) {
  return json_coding::encode(Vigil::missedDays(optional<std::string>(j, "lastReplayISO"),
                                               required<std::string>(j, "todayISO")));
}
Json vigilDaysBetween(const Json& j) {
  return Vigil::daysBetween(required<std::string>(j, "a"), required<std::string>(j, "b"));
}
Json eligibility(const Json& j) {
  return json_coding::encode(Vigil::eligibility(
      optional<std::string>(j, "lastReplayISO"), optional<std::string>(j, "lastVigilISO"),
      required<std::string>(j, "todayISO"), required<int64_t>(j, "streak")));
}
Json computeVigil(const Json& j) {
  std::vector<Vigil::Day> days;
  for (const Json& d : array(j, "days")) {
    days.push_back(
        Vigil::Day{required<std::string>(d, "dateISO"), required<std::vector<Quest>>(d, "quests")});
  }
  return json_coding::encode(
      Vigil::computeVigil(hero(j), days, required<Engine::Choices>(j, "choices")));
}
Json applyVigil(const Json& j) {
  return json_coding::encode(Vigil::applyVigil(hero(j), required<DayRecap>(j, "recap"),
                                               required<std::string>(j, "todayISO")));
}

std::string timeZone(const Json& j) { return required<std::string>(j, "timeZone"); }
RestSanctuary::Declarations declarations(const Json& j) {
  return required<RestSanctuary::Declarations>(j, "declarations");
}
Json isChosenRest(const Json& j) {
  return RestSanctuary::isChosenRest(required<std::string>(j, "day"),
                                     required<std::string>(j, "declaredOn"));
}
Json gapDays(const Json& j) {
  return json_coding::encode(RestSanctuary::gapDays(required<std::string>(j, "from"),
                                                    required<std::string>(j, "to"), timeZone(j)));
}
Json bridgesStreak(const Json& j) {
  return RestSanctuary::bridgesStreak(optional<std::string>(j, "lastActiveISO"),
                                      required<std::string>(j, "todayISO"), declarations(j),
                                      timeZone(j));
}
Json repriseEligible(const Json& j) {
  return RestSanctuary::repriseEligible(
      required<std::string>(j, "todayISO"), optional<std::string>(j, "lastActiveISO"),
      optional<std::string>(j, "lastRepriseISO"), declarations(j), timeZone(j));
}
Json restDaysBetween(const Json& j) {
  return RestSanctuary::daysBetween(required<std::string>(j, "a"), required<std::string>(j, "b"),
                                    timeZone(j));
}
Json repriseReceiptID(const Json& j) {
  return RestSanctuary::repriseReceiptID(required<std::string>(j, "dayKey"));
}

// `_ role` as a role's raw value; `forId` / `id` as any id the aliases accept.
VocationRole vocationRole(const Json& j) { return required<VocationRole>(j, "role"); }
Json vocationDisplay(const VocationDisplay& d) {
  return Json{{"name", d.name}, {"emoji", d.emoji}, {"tagline", d.tagline}};
}
// A Result: {"kind": "success", "success": value} or {"kind": "failure", "failure": error}.
template <class Error>
Json result(const std::variant<Hero, Error>& r) {
  if (const Error* e = std::get_if<Error>(&r)) {
    return Json{{"kind", "failure"}, {"failure", std::string(rawValue(*e))}};
  }
  return Json{{"kind", "success"}, {"success", json_coding::encode(std::get<Hero>(r))}};
}

Json vocationRoleFromId(const Json& j) {
  const auto found = Vocations::role(optional<std::string>(j, "fromId"));
  return found ? Json(std::string(rawValue(*found))) : Json(nullptr);
}
Json vocationStartDelta(const Json& j) {
  return json_coding::encode(Vocations::startDelta(vocationRole(j)));
}
Json vocationStartStats(const Json& j) {
  return json_coding::encode(Vocations::startStats(vocationRole(j)));
}
Json vocationPassive(const Json& j) {
  if (const auto id = optional<std::string>(j, "forId")) {
    const auto mods = Vocations::passive(std::string_view(*id));
    return mods ? json_coding::encode(*mods) : Json(nullptr);
  }
  return json_coding::encode(Vocations::passive(vocationRole(j)));
}
Json vocationDisplayRule(const Json& j) {
  if (const auto id = optional<std::string>(j, "id")) {
    const auto d = Vocations::display(std::string_view(*id), mode(j));
    return d ? vocationDisplay(*d) : Json(nullptr);
  }
  return vocationDisplay(Vocations::display(vocationRole(j), mode(j)));
}
Json changeVocation(const Json& j) {
  return result(
      Vocations::changeVocation(hero(j), required<std::string>(j, "toId"),
                                optional<int64_t>(j, "cost").value_or(Vocations::changeCost)));
}
Json purchaseSwitch(const Json& j) {
  return result(
      ModeSwitch::purchaseSwitch(hero(j), required<RPGMode>(j, "to"), required<RPGMode>(j, "from"),
                                 optional<int64_t>(j, "cost").value_or(ModeSwitch::changeCost)));
}

constexpr std::array kRules{
    Rule{"Engine.computeRecap", computeRecap},
    Rule{"Engine.applyRecap", applyRecap},
    Rule{"Engine.streakTransition", streakTransition},
    Rule{"Engine.heroicSuccessChance", heroicSuccessChance},
    Rule{"Engine.energyBefore", energyBefore},
    Rule{"Engine.sleepEnergyDelta", sleepEnergyDelta},
    Rule{"Engine.sleepChaosDelta", sleepChaosDelta},
    Rule{"Engine.stepsStrengthDelta", stepsStrengthDelta},
    Rule{"Engine.addStats", addStats},
    Rule{"Engine.clampStats", clampStats},
    Rule{"Engine.mergeDelta", mergeDelta},
    Rule{"Engine.questStatDelta", questStatDelta},
    Rule{"Engine.seedRng", seedRng},
    Rule{"Persona.chooseOption", chooseOption},
    Rule{"Loot.catalog", lootCatalog},
    Rule{"Loot.roll", lootRoll},
    Rule{"Loot.rollGuaranteed", lootRollGuaranteed},
    Rule{"Loot.pickWeighted", pickWeighted},
    Rule{"Loot.pickIndex", pickIndex},
    Rule{"Loot.makeItem", makeItem},
    Rule{"Loot.setDisplayName", setDisplayName},
    Rule{"Loot.setBlurb", setBlurb},
    Rule{"Equipment.equippedItems", equippedItems},
    Rule{"Equipment.completedSets", completedSets},
    Rule{"Equipment.activeMods", activeMods},
    Rule{"Equipment.effectiveStats", effectiveStats},
    Rule{"Equipment.xpMultFor", xpMultFor},
    Rule{"Equipment.setBonus", setBonus},
    Rule{"Equipment.autoEquip", autoEquip},
    Rule{"Economy.goldForQuest", goldForQuest},
    Rule{"Economy.recycleValue", recycleValue},
    Rule{"Economy.recycle", recycle},
    Rule{"Economy.autoRecycle", autoRecycle},
    Rule{"Economy.shop", shop},
    Rule{"Economy.autoShop", autoShop},
    Rule{"Achievements.deedContext", deedContext},
    Rule{"Achievements.evaluateDeeds", evaluateDeeds},
    Rule{"Achievements.unlockedDeeds", unlockedDeeds},
    Rule{"Achievements.allDeeds", allDeeds},
    Rule{"Achievements.deed", deed},
    Rule{"Achievements.deedDisplay", deedDisplay},
    Rule{"Achievements.titleLabel", titleLabel},
    Rule{"Achievements.topDeedTitle", topDeedTitle},
    Rule{"Vigil.missedDays", missedDays},
    Rule{"Vigil.daysBetween", vigilDaysBetween},
    Rule{"Vigil.eligibility", eligibility},
    Rule{"Vigil.computeVigil", computeVigil},
    Rule{"Vigil.applyVigil", applyVigil},
    Rule{"RestSanctuary.isChosenRest", isChosenRest},
    Rule{"RestSanctuary.gapDays", gapDays},
    Rule{"RestSanctuary.bridgesStreak", bridgesStreak},
    Rule{"RestSanctuary.repriseEligible", repriseEligible},
    Rule{"RestSanctuary.daysBetween", restDaysBetween},
    Rule{"RestSanctuary.repriseReceiptID", repriseReceiptID},
    Rule{"Vocations.role", vocationRoleFromId},
    Rule{"Vocations.startDelta", vocationStartDelta},
    Rule{"Vocations.startStats", vocationStartStats},
    Rule{"Vocations.passive", vocationPassive},
    Rule{"Vocations.display", vocationDisplayRule},
    Rule{"Vocations.changeVocation", changeVocation},
    Rule{"RPGMode.purchaseSwitch", purchaseSwitch},
};

}  // namespace

std::span<const Rule> gameRules() { return kRules; }

}  // namespace talewick::ui
