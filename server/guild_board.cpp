#include "server/guild_board.hpp"

#include <algorithm>
#include <map>
#include <set>

#include "kingdom/weekly_boss.hpp"
#include "server/week_days.hpp"
#include "support/day_keys.hpp"
#include "together/guild_boss.hpp"
#include "together/guild_roles.hpp"

namespace talewick::server::guilds {

namespace {

struct FormName {
  std::string_view key, nameFR, nameEN;
};

constexpr FormName FORM_NAMES[] = {
    {"golem_procrastination", "Le Golem de la Procrastination", "The Procrastination Golem"},
    {"hydre_reunions", "L'Hydre des Réunions", "The Hydra of Meetings"},
    {"leviathan_backlog", "Le Léviathan du Backlog", "The Backlog Leviathan"},
    {"kraken_boite_mail", "Le Kraken de la Boîte Mail", "The Inbox Kraken"},
    {"spectre_vendredi", "Le Spectre du Vendredi", "The Friday Spectre"},
    {"basilic_notifications", "Le Basilic des Notifications", "The Notification Basilisk"},
    {"chimere_deadlines", "La Chimère des Deadlines", "The Deadline Chimera"},
    {"moloch_imprevus", "Le Moloch des Imprévus", "The Moloch of the Unexpected"},
};

std::optional<std::int64_t> extraInteger(const nlohmann::json& extras, const char* key) {
  const auto found = extras.find(key);
  if (found == extras.end() || !found->is_number_integer()) return std::nullopt;
  return found->get<std::int64_t>();
}

}  // namespace

GuildWire::BossName bossName(std::string_view domain, std::string_view week) {
  const GuildBoss::Form form = GuildBoss::form(domain, week);
  GuildWire::BossName name{std::string(form.key), std::string(form.emoji), std::string(form.key),
                           std::string(form.key)};
  for (const FormName& known : FORM_NAMES) {
    if (known.key == form.key) {
      name.nameFR = known.nameFR;
      name.nameEN = known.nameEN;
    }
  }
  return name;
}

std::int64_t weekHp(const std::vector<Week>& weeks, std::int64_t memberCount) {
  std::vector<std::int64_t> history;
  std::optional<bool> lastSlain;
  for (const Week& week : weeks) {
    if (!week.dealt) continue;
    history.push_back(*week.dealt);
    if (!lastSlain) lastSlain = week.slain;
  }
  return GuildBoss::calibrate(history, memberCount, lastSlain == false);
}

GuildRecord foundingOf(const std::string& domain) {
  std::string label = domain.substr(0, domain.find('.'));
  if (!label.empty() && label[0] >= 'a' && label[0] <= 'z') label[0] = char(label[0] - 'a' + 'A');
  return GuildRecord{domain, "Guilde " + label, "🛡️", std::nullopt};
}

GuildWire::Board board(const BoardInput& input) {
  GuildWire::Board out;
  const std::int64_t today = DayKeys::dayNumber(input.today).value();
  const std::int64_t monday = weeks::mondayOf(today);
  out.week = WeeklyBoss::weekKeyOfDay(input.today);
  out.guild =
      GuildWire::GuildInfo{input.guild.domain,   input.guild.name,
                           input.guild.emblem,   static_cast<std::int64_t>(input.members.size()),
                           input.totalXpAllTime, input.guild.founderId};

  const std::string mondayKey = DayKeys::key(monday);
  const std::string sundayKey = DayKeys::key(monday + 6);
  const std::string lastMondayKey = DayKeys::key(monday - 7);
  std::map<std::string, GuildWire::DayPoint> points;
  for (std::int64_t d = monday; d < monday + 7; ++d) {
    points[DayKeys::key(d)] = GuildWire::DayPoint{DayKeys::key(d), 0, 0, 0};
  }
  std::map<std::string, GuildRoles::MemberProfile> profiles;
  std::map<std::string, std::int64_t> todayXp;
  for (const Day& day : input.days) {
    if (day.day >= lastMondayKey && day.day < mondayKey) out.lastWeekXp += day.xp;
    if (day.day < mondayKey || day.day > sundayKey) continue;
    out.totalXp += day.xp;
    GuildWire::DayPoint& point = points[day.day];
    point.xp += day.xp;
    point.quests += day.quests;
    point.active += 1;
    GuildRoles::MemberProfile& profile = profiles[day.memberId];
    profile.memberId = day.memberId;
    profile.weekXp += day.xp;
    profile.weekQuests += day.quests;
    if (day.day == input.today) todayXp[day.memberId] = day.xp;
  }
  for (auto& [key, point] : points) out.days.push_back(point);

  std::map<std::string, const Day*> latest;
  for (const Day& day : input.latestDays) latest[day.memberId] = &day;
  for (const Member& member : input.members) {
    GuildWire::Entry entry;
    entry.memberId = member.id;
    entry.isYou = member.id == input.callerId;
    entry.weekXp = profiles.count(member.id) ? profiles[member.id].weekXp : 0;
    entry.weekQuests = profiles.count(member.id) ? profiles[member.id].weekQuests : 0;
    entry.todayXp = todayXp.count(member.id) ? todayXp[member.id] : 0;
    if (const auto found = latest.find(member.id); found != latest.end()) {
      const Day& day = *found->second;
      entry.heroName = day.heroName;
      entry.mode = day.mode;
      entry.vocation = day.vocation.value_or("");
      entry.streak = day.streak;
      entry.lastActiveDay = day.day;
      entry.totalXp = extraInteger(day.extras, "totalXp");
      entry.level = extraInteger(day.extras, "level");
      if (const auto avatar = day.extras.find("avatar");
          avatar != day.extras.end() && avatar->is_string()) {
        entry.avatar = avatar->get<std::string>();
      }
      if (const auto keys = day.extras.find("identityKeys");
          keys != day.extras.end() && keys->is_array()) {
        entry.identityKeys = keys->get<std::vector<std::string>>();
      }
      if (profiles.count(member.id)) profiles[member.id].streak = day.streak;
    }
    out.board.push_back(std::move(entry));
  }
  std::stable_sort(out.board.begin(), out.board.end(), [](const auto& a, const auto& b) {
    if (a.weekXp != b.weekXp) return a.weekXp > b.weekXp;
    return a.memberId < b.memberId;
  });

  std::int64_t yourDealt = 0;
  if (profiles.count(input.callerId)) yourDealt = profiles[input.callerId].weekXp;
  const GuildWire::BossName name = bossName(input.guild.domain, out.week);
  out.season = GuildWire::Season{
      out.week,
      GuildWire::SeasonBoss{name.key, name.emoji, name.nameFR, name.nameEN, input.hp,
                            std::max<std::int64_t>(0, input.hp - out.totalXp)},
      out.totalXp, yourDealt, 7 - weeks::weekdayIndex(today)};

  for (const Week& week : input.weeks) {
    if (!week.dealt || week.week >= out.week) continue;
    out.chronicle.push_back(GuildWire::ChronicleItem{
        week.week, bossName(input.guild.domain, week.week), week.hp, *week.dealt, week.slain});
  }

  std::vector<GuildRoles::MemberProfile> roster;
  for (const auto& [id, profile] : profiles) roster.push_back(profile);
  for (const auto& [memberId, role] : GuildRoles::assign(roster)) {
    out.titles[std::string(rawValue(role))].push_back(memberId);
  }
  return out;
}

}  // namespace talewick::server::guilds
