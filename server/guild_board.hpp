// The guild's weekly board as a member reads it, put together from what the guild storage holds.
//
// - The week is the ISO week of the member's today. `days` are its seven days, Monday first:
//   the experience and quests of all members, and `active` the members who pushed that day.
// - The board lists every member, the most experience this week first (then by member id):
//   name, mode and vocation, streak and the extras (total, level, avatar, identity keys) from
//   their latest push; identity keys only when the member sent them.
// - The season's boss takes the form GuildBoss::form(domain, week) with the hit points fixed for
//   the week; it was dealt the week's capped experience of all members; `daysLeft` counts the
//   days left in the week, today included (7 on a Monday, 1 on a Sunday).
// - The chronicle lists the settled weeks, the latest first. A week's boss is raised (its hit
//   points fixed) by the first board read in that week: a week nobody looked at had no boss and
//   leaves no line.
// - Titles are GuildRoles::assign over the week's experience, quests and latest streaks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/guild_storage.hpp"
#include "together/guild_wire.hpp"

namespace talewick::server::guilds {

struct BoardInput {
  GuildRecord guild;
  std::vector<Member> members;
  std::int64_t totalXpAllTime = 0;
  std::vector<Day> days;        // at least the week's and the week before's
  std::vector<Day> latestDays;  // each member's latest push
  std::vector<Week> weeks;      // the latest first; the settled ones make the chronicle
  std::int64_t hp = 0;          // this week's boss
  std::string callerId;
  std::string today;  // a day key
};

GuildWire::Board board(const BoardInput& input);

// The hit points of this week's boss: GuildBoss::calibrate over what the guild dealt in its
// settled weeks (latest first), one member counted per member of the guild, the last boss
// escaped when the latest settled week was not slain.
std::int64_t weekHp(const std::vector<Week>& weeks, std::int64_t memberCount);

// The French and English names of a guild boss form.
GuildWire::BossName bossName(std::string_view domain, std::string_view week);

// The name and emblem a guild starts with: "Guilde " and the domain's first label capitalised.
GuildRecord foundingOf(const std::string& domain);

}  // namespace talewick::server::guilds
