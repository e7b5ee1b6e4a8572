#include "game/archetypes.hpp"

#include <stdexcept>
#include <unordered_map>

#include "game/archetype_table.hpp"
#include "support/content.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick::Archetypes {
namespace {

struct Tables {
  std::vector<Archetype> all;
  Archetype fallback;
  std::unordered_map<std::string, std::string> typeLabels;
};

std::string localised(const std::string& key, const Json& french) {
  return Loc::string(key, french.get<std::string>());
}

std::vector<std::string> localisedList(const std::string& keyPrefix, const Json& french) {
  std::vector<std::string> out;
  for (size_t i = 0; i < french.size(); ++i) {
    out.push_back(localised(keyPrefix + std::to_string(i), french[i]));
  }
  return out;
}

// Fills the texts of `a` from its entry in the content file.
void addTexts(Archetype& a, const Json& texts, const ChoiceRow* rows) {
  const std::string prefix = "archetype." + a.id + ".";
  a.intro = localised(prefix + "intro", texts.at("intro"));
  a.questNames = localisedList(prefix + "questName.", texts.at("questNames"));
  a.subjectTemplates = localisedList(prefix + "subjectTemplate.", texts.at("subjectTemplates"));
  const Json& choices = texts.at("choices");
  for (size_t i = 0; i < a.choices.size(); ++i) {
    const std::string choice = prefix + "choice." + std::to_string(i) + ".";
    ArchetypeChoice& c = a.choices[i];
    c.label = localised(choice + "label", choices.at(i).at("label"));
    c.consequence = localised(choice + "consequence", choices.at(i).at("consequence"));
    if (rows && rows[i].realQuestReward) {
      c.realQuest = RealQuest{localised(choice + "realQuest", choices.at(i).at("realQuest")),
                              *rows[i].realQuestReward};
    }
  }
}

Tables build() {
  const Json texts = content::json("archetype_texts.json");
  Tables t;
  for (const ArchetypeRow& row : archetypeRows()) {
    Archetype a;
    a.id = row.id;
    a.keywords.assign(row.keywords.begin(), row.keywords.end());
    a.baseXp = row.baseXp;
    a.rarity = row.rarity;
    a.emoji = row.emoji;
    a.statDelta = row.statDelta;
    for (const ChoiceRow& c : row.choices) {
      a.choices.push_back(ArchetypeChoice{"", "", c.statDelta, c.xpDelta, std::nullopt});
    }
    addTexts(a, texts.at(a.id), row.choices);
    t.all.push_back(std::move(a));
  }

  Archetype& f = t.fallback;
  f.id = "inconnu";
  f.baseXp = 18;
  f.rarity = Rarity::common;
  f.emoji = "✨";
  f.statDelta = {{StatKey::wisdom, 1}};
  f.choices = {ArchetypeChoice{"", "", {{StatKey::love, 1}, {StatKey::wisdom, 1}}, 6, {}},
               ArchetypeChoice{"", "", {{StatKey::energy, 2}}, 0, {}}};
  addTexts(f, texts.at("inconnu"), nullptr);

  for (const auto& [id, entry] : texts.items()) {
    t.typeLabels[id] = localised("archetype.typeLabel." + id, entry.at("typeLabel"));
  }
  return t;
}

const Tables& tables() {
  static const Tables t = build();
  return t;
}

}  // namespace

const std::vector<Archetype>& all() { return tables().all; }

const Archetype& fallback() { return tables().fallback; }

const Archetype* byId(std::string_view id) {
  if (id == fallback().id) return &fallback();
  for (const Archetype& a : all()) {
    if (a.id == id) return &a;
  }
  return nullptr;
}

std::optional<std::string> typeLabel(std::string_view id) {
  const auto& labels = tables().typeLabels;
  if (auto it = labels.find(std::string(id)); it != labels.end()) return it->second;
  return std::nullopt;
}

std::string label(std::string_view id) {
  if (auto known = typeLabel(id)) return *known;
  std::string spaced(id);
  for (char& c : spaced) {
    if (c == '_') c = ' ';
  }
  return text::capitalizeFirst(spaced);
}

}  // namespace talewick::Archetypes
