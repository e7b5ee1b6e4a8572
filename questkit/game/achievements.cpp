#include "game/achievements.hpp"

#include "support/content.hpp"
#include "support/loc.hpp"

namespace talewick::Achievements {
namespace {

std::vector<Deed> build() {
  std::vector<Deed> out;
  for (const Json& row : content::json("deeds.json")) {
    Deed d;
    d.id = row.at("id").get<std::string>();
    const std::string prefix = "deed." + d.id + ".";
    d.title = Loc::string(prefix + "title", row.at("title").get<std::string>());
    d.emoji = row.at("emoji").get<std::string>();
    d.description = Loc::string(prefix + "description", row.at("description").get<std::string>());
    out.push_back(std::move(d));
  }
  return out;
}

}  // namespace

const std::vector<Deed>& deeds() {
  static const std::vector<Deed> all = build();
  return all;
}

const Deed* deed(std::string_view id) {
  for (const Deed& d : deeds()) {
    if (d.id == id) return &d;
  }
  return nullptr;
}

}  // namespace talewick::Achievements
