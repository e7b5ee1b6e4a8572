#include "game/achievements.hpp"

#include <array>
#include <functional>
#include <numeric>
#include <set>

#include "game/equipment.hpp"
#include "game/xp.hpp"
#include "support/content.hpp"
#include "support/loc.hpp"

namespace talewick {

using json_coding::Field;

static const auto kDeedContextFields =
    std::tuple{Field{"dragonsSlain", &DeedContext::dragonsSlain},
               Field{"bossesFought", &DeedContext::bossesFought},
               Field{"bossVictories", &DeedContext::bossVictories},
               Field{"bossDefeats", &DeedContext::bossDefeats},
               Field{"maxStreak", &DeedContext::maxStreak},
               Field{"legendaryNames", &DeedContext::legendaryNames},
               Field{"completedSets", &DeedContext::completedSets},
               Field{"finalLevel", &DeedContext::finalLevel},
               Field{"totalXp", &DeedContext::totalXp},
               Field{"love", &DeedContext::love},
               Field{"wisdom", &DeedContext::wisdom},
               Field{"strength", &DeedContext::strength},
               Field{"archetypeCounts", &DeedContext::archetypeCounts},
               Field{"questsTransmuted", &DeedContext::questsTransmuted},
               Field{"worldBossVictories", &DeedContext::worldBossVictories}};
TALEWICK_JSON_CODING(DeedContext, kDeedContextFields)

namespace Achievements {
namespace {

using Rule = std::function<bool(const DeedContext&)>;

int64_t count(const DeedContext& c, const std::string& archetype) {
  auto it = c.archetypeCounts.find(archetype);
  return it == c.archetypeCounts.end() ? 0 : it->second;
}

Rule archetypeAtLeast(std::string archetype, int64_t n) {
  return [archetype = std::move(archetype), n](const DeedContext& c) {
    return count(c, archetype) >= n;
  };
}

const std::map<std::string, Rule, std::less<>>& rules() {
  static const std::map<std::string, Rule, std::less<>> all{
      {"tueur_dragons", [](const DeedContext& c) { return c.dragonsSlain >= 10; }},
      {"invaincu", [](const DeedContext& c) { return c.bossesFought >= 10 && c.bossDefeats == 0; }},
      {"veilleur", archetypeAtLeast("nuit_sans_sommeil", 5)},
      {"chevalier_reine", archetypeAtLeast("femme_enceinte", 10)},
      {"gardien_couche", archetypeAtLeast("couche_bebe", 15)},
      {"collectionneur", [](const DeedContext& c) { return !c.completedSets.empty(); }},
      {"porteur_legendes",
       [](const DeedContext& c) {
         return std::set<std::string>(c.legendaryNames.begin(), c.legendaryNames.end()).size() >= 3;
       }},
      {"gardien_rituel", [](const DeedContext& c) { return c.maxStreak >= 30; }},
      {"coeur_immense", [](const DeedContext& c) { return c.love >= 500; }},
      {"grand_sage", [](const DeedContext& c) { return c.wisdom >= 500; }},
      {"titan", [](const DeedContext& c) { return c.finalLevel >= 10; }},
      {"maitre_reunions", archetypeAtLeast("reunion", 20)},
      {"athlete_foyer", archetypeAtLeast("sport", 15)},
      {"chef_foyer", archetypeAtLeast("repas_cuisine", 20)},
      {"compagnon_jeu", archetypeAtLeast("jeu_avec_enfant", 20)},
      {"grand_voyageur", archetypeAtLeast("transport", 30)},
      {"chroniqueur", [](const DeedContext& c) { return c.questsTransmuted >= 100; }},
      {"fleautueur", [](const DeedContext& c) { return c.worldBossVictories > 0; }},
  };
  return all;
}

// The deeds' emoji and French texts per mode, before translation. The heroic mode's texts are
// the catalogue's own; another mode falls back to them for a deed its lore leaves out.
struct LoreRow {
  std::string id;
  std::string emoji;
  std::array<std::string, 6> title;
  std::array<std::string, 6> desc;
};

std::vector<LoreRow> readLore() {
  const Json lore = content::json("deed_lore.json");
  std::vector<LoreRow> out;
  for (const Json& row : content::json("deeds.json")) {
    LoreRow r;
    r.id = row.at("id").get<std::string>();
    r.emoji = row.at("emoji").get<std::string>();
    for (RPGMode mode : allCases<RPGMode>()) {
      const size_t m = static_cast<size_t>(mode);
      const Json texts = lore.value(std::string(rawValue(mode)), Json::object()).value(r.id, row);
      r.title[m] = texts.at("title").get<std::string>();
      r.desc[m] = texts.at("desc").get<std::string>();
    }
    out.push_back(std::move(r));
  }
  return out;
}

const std::vector<LoreRow>& lore() {
  static const std::vector<LoreRow> all = readLore();
  return all;
}

const LoreRow* loreRow(std::string_view id) {
  for (const LoreRow& row : lore()) {
    if (row.id == id) return &row;
  }
  return nullptr;
}

Deed shown(const LoreRow& row, RPGMode mode) {
  const size_t m = static_cast<size_t>(mode);
  const std::string key = "deed." + std::string(rawValue(mode)) + "." + row.id + ".";
  return Deed{row.id, Loc::string(key + "title", row.title[m]), row.emoji,
              Loc::string(key + "desc", row.desc[m])};
}

std::string label(const Deed& d) { return d.title + " " + d.emoji; }

}  // namespace

const std::vector<Deed>& deeds() {
  static const std::vector<Deed> all = allDeeds(RPGMode::heroicPapa);
  return all;
}

const Deed* deed(std::string_view id) {
  for (const Deed& d : deeds()) {
    if (d.id == id) return &d;
  }
  return nullptr;
}

DeedContext deedContext(const Hero& hero) {
  DeedContext c;
  const DeedTally tally = hero.tally.value_or(DeedTally{});
  c.dragonsSlain = tally.dragonsSlain;
  c.bossesFought = tally.bossesFought;
  c.bossVictories = tally.bossVictories;
  c.bossDefeats = tally.bossDefeats;
  c.maxStreak = std::max(tally.maxStreak, hero.streak);
  for (const LootItem& item : hero.inventory) {
    if (item.rarity == Rarity::legendary) c.legendaryNames.push_back(item.name);
  }
  c.completedSets = Equipment::completedSets(hero);
  c.finalLevel = Xp::levelFromTotalXp(hero.totalXp).level;
  c.totalXp = hero.totalXp;
  c.love = hero.stats.love;
  c.wisdom = hero.stats.wisdom;
  c.strength = hero.stats.strength;
  c.archetypeCounts = tally.archetypeCounts;
  for (const auto& [archetype, n] : c.archetypeCounts) c.questsTransmuted += n;
  return c;
}

std::vector<Deed> evaluateDeeds(const DeedContext& context) {
  std::vector<Deed> unlocked;
  for (const Deed& d : deeds()) {
    auto rule = rules().find(d.id);
    if (rule != rules().end() && rule->second(context)) unlocked.push_back(d);
  }
  return unlocked;
}

std::vector<Deed> unlockedDeeds(const Hero& hero, RPGMode mode) {
  std::vector<Deed> out;
  for (const Deed& d : evaluateDeeds(deedContext(hero))) out.push_back(*deed(d.id, mode));
  return out;
}

std::vector<Deed> allDeeds(RPGMode mode) {
  std::vector<Deed> out;
  for (const LoreRow& row : lore()) out.push_back(shown(row, mode));
  return out;
}

std::optional<Deed> deed(std::string_view id, RPGMode mode) {
  const LoreRow* row = loreRow(id);
  if (!row) return std::nullopt;
  return shown(*row, mode);
}

DeedDisplay deedDisplay(std::string_view id, RPGMode mode) {
  if (auto d = deed(id, mode)) return DeedDisplay{d->title, d->emoji, d->desc};
  return DeedDisplay{Loc::string("deed.fallback.title", "Haut fait"), "🏅", ""};
}

std::optional<std::string> titleLabel(std::string_view id, RPGMode mode) {
  if (auto d = deed(id, mode)) return label(*d);
  return std::nullopt;
}

std::optional<std::string> topDeedTitle(const std::vector<Deed>& unlocked) {
  static constexpr std::array<std::string_view, 8> priority{
      "gardien_rituel", "tueur_dragons", "invaincu",   "porteur_legendes",
      "collectionneur", "coeur_immense", "grand_sage", "titan"};
  for (std::string_view id : priority) {
    for (const Deed& d : unlocked) {
      if (d.id == id) return label(d);
    }
  }
  if (unlocked.empty()) return std::nullopt;
  return label(unlocked.front());
}

}  // namespace Achievements
void to_json(Json& j, const Deed& v) {
  j = Json{{"id", v.id}, {"title", v.title}, {"emoji", v.emoji}, {"desc", v.desc}};
}

}  // namespace talewick
