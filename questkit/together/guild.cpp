#include "together/guild.hpp"

#include <array>
#include <cmath>
#include <limits>
#include <set>
#include <utility>

#include "support/content.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick::Guild {
namespace {

bool isLabelCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

bool isHostName(std::string_view domain) {
  size_t labels = 0;
  size_t start = 0;
  while (start <= domain.size()) {
    const size_t dot = std::min(domain.find('.', start), domain.size());
    const std::string_view label = domain.substr(start, dot - start);
    if (label.empty() || label.front() == '-' || label.back() == '-') return false;
    for (const char c : label) {
      // Internationalised domains arrive as their UTF-8 letters: any non-ASCII byte passes.
      if (!isLabelCharacter(c) && static_cast<unsigned char>(c) < 0x80) return false;
    }
    ++labels;
    start = dot + 1;
  }
  return labels >= 2;
}

const std::set<std::string, std::less<>>& publicDomains() {
  static const std::set<std::string, std::less<>> domains = [] {
    std::set<std::string, std::less<>> out;
    for (const Json& d : content::json("public_email_domains.json")) {
      out.insert(d.get<std::string>());
    }
    return out;
  }();
  return domains;
}

struct Rank {
  int64_t fromLevel;
  std::string_view key;
  std::string_view title;
};

constexpr std::array<Rank, 7> kRanks{{
    {1, "guild.rank.1", "Guilde naissante"},
    {3, "guild.rank.3", "Confrérie"},
    {5, "guild.rank.5", "Compagnie"},
    {8, "guild.rank.8", "Ordre"},
    {12, "guild.rank.12", "Légion"},
    {16, "guild.rank.16", "Dynastie"},
    {20, "guild.rank.20", "Guilde légendaire"},
}};

}  // namespace

std::optional<std::string> domainOf(std::string_view email) {
  const std::string address = text::lower(text::trim(email));
  const size_t at = address.find('@');
  if (at == std::string::npos || at == 0 || address.find('@', at + 1) != std::string::npos) {
    return std::nullopt;
  }
  for (const char c : address) {
    if (static_cast<unsigned char>(c) <= ' ') return std::nullopt;
  }
  std::string domain = address.substr(at + 1);
  if (!domain.empty() && domain.back() == '.') domain.pop_back();
  if (!isHostName(domain)) return std::nullopt;
  return domain;
}

bool isPublicDomain(std::string_view domain) {
  std::string d = text::lower(text::trim(domain));
  if (!d.empty() && d.back() == '.') d.pop_back();
  const auto& known = publicDomains();
  // The domain itself, then each parent: "mail.yahoo.fr" is Yahoo's as much as "yahoo.fr".
  for (std::string_view rest = d; !rest.empty();) {
    if (known.contains(rest)) return true;
    const size_t dot = rest.find('.');
    if (dot == std::string_view::npos) break;
    rest.remove_prefix(dot + 1);
  }
  return false;
}

int64_t xpForLevel(int64_t level) {
  if (level < 1) return 0;
  const double l = static_cast<double>(level);
  const double cost = std::round(l * 300.0 + std::pow(l, 1.8) * 500.0);
  // Past ten million levels the cost no longer fits; no guild will ever get there.
  if (cost >= 9.2e18) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(cost);
}

LevelInfo levelFromTotalXp(int64_t totalXp) {
  int64_t left = std::max<int64_t>(totalXp, 0);
  LevelInfo info;
  while (left >= xpForLevel(info.level)) {
    left -= xpForLevel(info.level);
    ++info.level;
  }
  info.xpIntoLevel = left;
  info.xpForNext = xpForLevel(info.level);
  info.progress = static_cast<double>(left) / static_cast<double>(info.xpForNext);
  return info;
}

std::string rankTitle(int64_t level) {
  const Rank* rank = &kRanks.front();
  for (const Rank& r : kRanks) {
    if (r.fromLevel <= level) rank = &r;
  }
  return Loc::string(rank->key, rank->title);
}

}  // namespace talewick::Guild
