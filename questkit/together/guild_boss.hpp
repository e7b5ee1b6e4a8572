// The guild's weekly boss: how many hit points the next one gets, from the damage the guild dealt
// in the weeks before, and which of eight forms it takes. Every member computes the same form
// from the guild's domain and the week, with no call to the backend.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace talewick::GuildBoss {

// The least a boss is given per active member, so a quiet guild still has a boss worth felling.
inline constexpr int64_t floorPerMember = 600;
// How many of the latest weeks the calibration averages.
inline constexpr size_t historyWindow = 3;
// The next boss asks a little more than the guild managed lately…
inline constexpr double rate = 1.15;
// …and a little less after one escaped.
inline constexpr double escapeFactor = 0.85;

struct Form {
  std::string_view key;
  std::string_view emoji;
  bool operator==(const Form&) const = default;
};

inline constexpr std::array<Form, 8> forms{{
    {"golem_procrastination", "🗿"},
    {"hydre_reunions", "🐉"},
    {"leviathan_backlog", "🐋"},
    {"kraken_boite_mail", "🐙"},
    {"spectre_vendredi", "👻"},
    {"basilic_notifications", "🐍"},
    {"chimere_deadlines", "🦂"},
    {"moloch_imprevus", "👹"},
}};

// Hit points of the next boss. `history` holds the damage of past weeks, latest first; the
// first historyWindow values are averaged, times `rate`, times `escapeFactor` when the last
// boss escaped, rounded half up to a multiple of 100. Never below the floor of
// max(activeMembers, 1) × floorPerMember, which is also the answer without history.
int64_t calibrate(const std::vector<int64_t>& history, int64_t activeMembers, bool lastEscaped);

// forms[FNV-1a 32 of the UTF-8 bytes of domain + "|" + week, & 7].
Form form(std::string_view domain, std::string_view week);

}  // namespace talewick::GuildBoss
