#include "game/lore.hpp"

#include <array>

#include "support/content.hpp"
#include "support/hashes.hpp"
#include "support/loc.hpp"

namespace talewick::Lore {
namespace {

// Localises every string of a pack under lore.MODE.FIELD.KEY.
class PackReader {
 public:
  PackReader(std::string mode, const Json& j) : prefix_("lore." + mode + "."), j_(j) {}

  std::string text(const std::string& key, const Json& french) const {
    return Loc::string(prefix_ + key, french.get<std::string>());
  }
  // Keys number the items from `firstIndex` (heroic labels are keyed by threat tier).
  std::vector<std::string> list(const char* field, const char* keyField,
                                size_t firstIndex = 0) const {
    std::vector<std::string> out;
    const Json& items = j_.at(field);
    for (size_t i = 0; i < items.size(); ++i) {
      out.push_back(text(std::string(keyField) + "." + std::to_string(i + firstIndex), items[i]));
    }
    return out;
  }
  std::map<std::string, std::string, std::less<>> map(const char* field,
                                                      const char* keyField) const {
    std::map<std::string, std::string, std::less<>> out;
    for (const auto& [key, value] : j_.at(field).items()) {
      out.emplace(key, text(std::string(keyField) + "." + key, value));
    }
    return out;
  }
  const Json& raw(const char* field) const { return j_.at(field); }

 private:
  std::string prefix_;
  const Json& j_;
};

Pack readPack(RPGMode mode) {
  const std::string name(rawValue(mode));
  const Json j = content::json("lore/" + name + ".json");
  const PackReader r(name, j);
  Pack p;
  p.subjectTemplates = r.list("subjectTemplates", "subjectTemplate");
  p.intros = r.map("intros", "intro");
  for (const auto& [id, names] : j.at("questNames").items()) {
    auto& out = p.questNames[id];
    for (size_t i = 0; i < names.size(); ++i) {
      out.push_back(r.text("questName." + id + "." + std::to_string(i), names[i]));
    }
  }
  p.heroicLabels = r.list("heroicLabels", "heroicLabel", 1);
  p.heroicConsequences = r.list("heroicConsequences", "heroicConsequence");
  for (const auto& [band, text] : j.at("todFlavor").items()) {
    if (auto tod = fromRaw<TimeOfDay>(band)) p.todFlavor[*tod] = r.text("todFlavor." + band, text);
  }
  p.biomes = r.map("biomes", "biome");
  p.moveNames = r.map("moveNames", "moveName");
  p.moveFlavors = r.map("moveFlavors", "moveFlavor");
  p.nemesisName = r.text("nemesisName", j.at("nemesisName"));
  p.nemesisEmoji = j.at("nemesisEmoji").get<std::string>();
  p.forms = r.list("forms", "form");
  return p;
}

const std::array<std::optional<Pack>, 6>& packs() {
  static const std::array<std::optional<Pack>, 6> all = [] {
    std::array<std::optional<Pack>, 6> out;
    for (RPGMode mode : allCases<RPGMode>()) {
      if (mode != RPGMode::heroicPapa) out[static_cast<size_t>(mode)] = readPack(mode);
    }
    return out;
  }();
  return all;
}

template <class Map>
std::optional<std::string> lookup(const Pack* p, Map Pack::*field, std::string_view key) {
  if (!p) return std::nullopt;
  const auto& m = p->*field;
  if (auto it = m.find(key); it != m.end()) return it->second;
  return std::nullopt;
}

std::optional<std::string> at(const std::vector<std::string>& list, int64_t index) {
  if (index < 0 || index >= static_cast<int64_t>(list.size())) return std::nullopt;
  return list[static_cast<size_t>(index)];
}

}  // namespace

const Pack* pack(RPGMode mode) {
  const auto& p = packs()[static_cast<size_t>(mode)];
  return p ? &*p : nullptr;
}

int64_t stableHash(std::string_view text) { return hashes::djb2Low31(text); }

std::optional<std::string> intro(RPGMode mode, std::string_view archetypeId) {
  return lookup(pack(mode), &Pack::intros, archetypeId);
}

std::optional<std::string> biome(RPGMode mode, std::string_view biomeKey) {
  return lookup(pack(mode), &Pack::biomes, biomeKey);
}

std::optional<std::string> todFlavor(RPGMode mode, TimeOfDay band) {
  const Pack* p = pack(mode);
  if (!p) return std::nullopt;
  if (auto it = p->todFlavor.find(band); it != p->todFlavor.end()) return it->second;
  return std::nullopt;
}

std::optional<std::string> heroicLabel(RPGMode mode, int64_t tier) {
  const Pack* p = pack(mode);
  return p ? at(p->heroicLabels, tier - 1) : std::nullopt;
}

const std::vector<std::string>* questNames(RPGMode mode, std::string_view archetypeId) {
  const Pack* p = pack(mode);
  if (!p) return nullptr;
  auto it = p->questNames.find(archetypeId);
  return it == p->questNames.end() || it->second.empty() ? nullptr : &it->second;
}

const std::vector<std::string>* subjectTemplates(RPGMode mode) {
  const Pack* p = pack(mode);
  return p && !p->subjectTemplates.empty() ? &p->subjectTemplates : nullptr;
}

std::optional<std::string> moveName(RPGMode mode, std::string_view move) {
  return lookup(pack(mode), &Pack::moveNames, move);
}

std::optional<std::string> moveFlavor(RPGMode mode, std::string_view move) {
  return lookup(pack(mode), &Pack::moveFlavors, move);
}

std::optional<std::string> form(RPGMode mode, int64_t index) {
  const Pack* p = pack(mode);
  return p ? at(p->forms, index) : std::nullopt;
}

const std::vector<std::string>& defaultHeroicConsequences() {
  static const std::vector<std::string> texts = [] {
    static constexpr std::array<std::string_view, 5> kFrench{
        "Tu affrontes %@ %@ les yeux dans les yeux. Le cœur cogne, la sueur perle — et tu tiens "
        "bon. Gloire et tumulte.",
        "Tu charges %@ %@ sans réfléchir. Ça passe ou ça casse — et ça passe. Les enfants n'en "
        "sauront jamais rien.",
        "Face à %@ %@, tu ne recules pas d'un pouce. La fatigue hurle, mais ta volonté hurle plus "
        "fort. Victoire arrachée.",
        "Tu empoignes %@ %@ à bras-le-corps. C'est rude, c'est sale, c'est héroïque — tu en "
        "ressors lessivé mais debout.",
        "%@ %@ se dresse ; tu réponds par un cri et un dernier élan. Le foyer tremble, puis se "
        "tait. Légende du quotidien."};
    std::vector<std::string> out;
    for (size_t i = 0; i < kFrench.size(); ++i) {
      out.push_back(
          Loc::string("lore.heroicPapa.heroicConsequence." + std::to_string(i), kFrench[i]));
    }
    return out;
  }();
  return texts;
}

std::string heroicConsequence(RPGMode mode, std::string_view seed, std::string_view emoji,
                              std::string_view label) {
  const Pack* p = pack(mode);
  const auto& templates =
      p && !p->heroicConsequences.empty() ? p->heroicConsequences : defaultHeroicConsequences();
  const auto index = static_cast<size_t>(stableHash(seed) % static_cast<int64_t>(templates.size()));
  return Loc::format(templates[index], {emoji, label});
}

}  // namespace talewick::Lore
