#include "game/bestiary.hpp"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

#include "support/content.hpp"
#include "support/loc.hpp"

namespace talewick::Bestiary {
namespace {

using Rows = std::map<std::string, std::vector<Menace>, std::less<>>;

Rows readRows(RPGMode mode) {
  const std::string name(rawValue(mode));
  Rows rows;
  const Json table = content::json("bestiary/" + name + ".json");
  for (const auto& [archetype, menaces] : table.items()) {
    auto& row = rows[archetype];
    for (size_t i = 0; i < menaces.size(); ++i) {
      const std::string key = "bestiary." + name + "." + archetype + "." + std::to_string(i + 1);
      row.push_back(Menace{Loc::string(key, menaces[i].at("label").get<std::string>()),
                           menaces[i].at("emoji").get<std::string>()});
    }
  }
  return rows;
}

const Rows& rows(RPGMode mode) {
  static const std::array<Rows, 6> all = [] {
    std::array<Rows, 6> out;
    for (RPGMode m : allCases<RPGMode>()) out[static_cast<size_t>(m)] = readRows(m);
    return out;
  }();
  return all[static_cast<size_t>(mode)];
}

}  // namespace

Menace menace(RPGMode mode, std::optional<std::string_view> archetypeId, int64_t tier) {
  const Rows& table = rows(mode);
  auto it = archetypeId ? table.find(*archetypeId) : table.end();
  if (it == table.end()) it = table.find(GENERIC_ROW);
  const auto& row = it->second;
  const auto index = std::clamp<int64_t>(tier - 1, 0, static_cast<int64_t>(row.size()) - 1);
  return row[static_cast<size_t>(index)];
}

bool hasRow(RPGMode mode, std::string_view archetypeId) { return rows(mode).contains(archetypeId); }

}  // namespace talewick::Bestiary
