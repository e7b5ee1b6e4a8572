#include "server/guild_storage.hpp"

namespace talewick::server::guilds {

namespace {

constexpr const char* DAY_COLUMNS =
    "member_id, day, xp, quests, streak, hero_name, mode, vocation, extras";

Day dayOf(const SqlRow& row) {
  Day day{row.text(0), row.text(1), row.integer(2),  row.integer(3),          row.integer(4),
          row.text(5), row.text(6), row.cells.at(7), nlohmann::json::object()};
  day.extras = nlohmann::json::parse(row.text(8), nullptr, false);
  if (!day.extras.is_object()) throw StorageError("a stored guild day is damaged");
  return day;
}

Member memberOf(const SqlRow& row) {
  return Member{row.text(0), row.text(1), row.text(2), row.integer(3)};
}

std::optional<GuildRecord> guildIn(SqlSession& sql, const std::string& domain) {
  const auto rows =
      sql.query("SELECT domain, name, emblem, founder_id FROM guilds WHERE domain = ?1", {domain});
  if (rows.empty()) return std::nullopt;
  return GuildRecord{rows[0].text(0), rows[0].text(1), rows[0].text(2), rows[0].cells.at(3)};
}

// What one reading session gives back.
template <class Read>
auto reading(Storage& storage, Read read) {
  decltype(read(std::declval<SqlSession&>())) found{};
  storage.inSqlReading([&](SqlSession& sql) { found = read(sql); });
  return found;
}

std::vector<Member> membersIn(SqlSession& sql, const std::string& domain) {
  std::vector<Member> found;
  for (const SqlRow& row : sql.query("SELECT id, email, domain, joined_at FROM guild_members "
                                     "WHERE domain = ?1 ORDER BY joined_at, id",
                                     {domain})) {
    found.push_back(memberOf(row));
  }
  return found;
}

std::vector<Day> daysIn(SqlSession& sql, const std::string& domain, const std::string& fromDay,
                        const std::string& toDay) {
  std::vector<Day> found;
  for (const SqlRow& row :
       sql.query(std::string("SELECT ") + DAY_COLUMNS +
                     " FROM guild_days WHERE domain = ?1 AND day >= ?2 AND day <= ?3 "
                     "ORDER BY day, member_id",
                 {domain, fromDay, toDay})) {
    found.push_back(dayOf(row));
  }
  return found;
}

std::vector<Day> latestDaysIn(SqlSession& sql, const std::string& domain) {
  std::vector<Day> found;
  for (const SqlRow& row :
       sql.query(std::string("SELECT ") + DAY_COLUMNS +
                     " FROM guild_days d WHERE domain = ?1 AND day = (SELECT MAX(day) FROM "
                     "guild_days WHERE member_id = d.member_id) ORDER BY member_id",
                 {domain})) {
    found.push_back(dayOf(row));
  }
  return found;
}

std::int64_t totalXpIn(SqlSession& sql, const std::string& domain) {
  return sql.query("SELECT COALESCE(SUM(xp), 0) FROM guild_days WHERE domain = ?1", {domain})
      .at(0)
      .integer(0);
}

std::vector<Week> weeksIn(SqlSession& sql, const std::string& domain) {
  std::vector<Week> found;
  for (const SqlRow& row : sql.query("SELECT week, hp, dealt, slain FROM guild_weeks "
                                     "WHERE domain = ?1 ORDER BY week DESC",
                                     {domain})) {
    found.push_back(
        Week{row.text(0), row.integer(1), row.optionalInteger(2), row.optionalInteger(3) == 1});
  }
  return found;
}

}  // namespace

void saveCode(Storage& storage, const std::string& email, const std::string& codeHash,
              std::int64_t expiresAt) {
  storage.inSqlTransaction([&](SqlSession& sql) {
    sql.execute(
        "INSERT INTO guild_codes (email, code_hash, expires_at, wrong_tries) "
        "VALUES (?1, ?2, ?3, 0) ON CONFLICT (email) DO UPDATE SET code_hash = excluded.code_hash, "
        "expires_at = excluded.expires_at, wrong_tries = 0",
        {email, codeHash, expiresAt});
  });
}

CodeCheck checkCode(Storage& storage, const std::string& email, const std::string& codeHash,
                    std::int64_t now, std::int64_t maxWrongTries) {
  CodeCheck outcome = CodeCheck::none;
  storage.inSqlTransaction([&](SqlSession& sql) {
    sql.lock("guild-code:" + email);
    const auto rows = sql.query(
        "SELECT code_hash, expires_at, wrong_tries FROM guild_codes WHERE email = ?1", {email});
    if (rows.empty()) return;
    if (rows[0].integer(1) <= now || rows[0].integer(2) >= maxWrongTries) {
      sql.execute("DELETE FROM guild_codes WHERE email = ?1", {email});
      return;
    }
    if (rows[0].text(0) == codeHash) {
      sql.execute("DELETE FROM guild_codes WHERE email = ?1", {email});
      outcome = CodeCheck::accepted;
      return;
    }
    outcome = CodeCheck::wrong;
    if (rows[0].integer(2) + 1 >= maxWrongTries) {
      sql.execute("DELETE FROM guild_codes WHERE email = ?1", {email});
    } else {
      sql.execute("UPDATE guild_codes SET wrong_tries = wrong_tries + 1 WHERE email = ?1", {email});
    }
  });
  return outcome;
}

Admission admit(Storage& storage, const std::string& email, const std::string& domain,
                const std::string& newMemberId, const std::string& keyHash, std::int64_t now,
                const GuildRecord& founding) {
  Admission admission;
  storage.inSqlTransaction([&](SqlSession& sql) {
    sql.lock("guild:" + domain);
    const auto found = sql.query(
        "SELECT id, email, domain, joined_at FROM guild_members WHERE email = ?1", {email});
    if (!found.empty()) {
      admission.member = memberOf(found[0]);
    } else {
      admission.member = Member{newMemberId, email, domain, now};
      sql.execute(
          "INSERT INTO guilds (domain, name, emblem, founder_id, created_at) "
          "VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT (domain) DO NOTHING",
          {domain, founding.name, founding.emblem, newMemberId, now});
      sql.execute(
          "INSERT INTO guild_members (id, email, domain, joined_at) VALUES (?1, ?2, ?3, ?4)",
          {newMemberId, email, domain, now});
    }
    sql.execute("INSERT INTO guild_keys (key_hash, member_id) VALUES (?1, ?2)",
                {keyHash, admission.member.id});
    admission.guild = guildIn(sql, admission.member.domain).value();
  });
  return admission;
}

std::optional<Member> memberWithKeyHash(Storage& storage, const std::string& keyHash) {
  std::optional<Member> member;
  storage.inSqlReading([&](SqlSession& sql) {
    const auto rows = sql.query(
        "SELECT m.id, m.email, m.domain, m.joined_at FROM guild_keys k "
        "JOIN guild_members m ON m.id = k.member_id WHERE k.key_hash = ?1",
        {keyHash});
    if (!rows.empty()) member = memberOf(rows[0]);
  });
  return member;
}

std::optional<GuildRecord> guild(Storage& storage, const std::string& domain) {
  return reading(storage, [&](SqlSession& sql) { return guildIn(sql, domain); });
}

std::vector<Member> members(Storage& storage, const std::string& domain) {
  return reading(storage, [&](SqlSession& sql) { return membersIn(sql, domain); });
}

void saveDay(Storage& storage, const std::string& domain, const Day& day) {
  storage.inSqlTransaction([&](SqlSession& sql) {
    sql.execute(std::string("INSERT INTO guild_days (domain, ") + DAY_COLUMNS +
                    ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10) "
                    "ON CONFLICT (member_id, day) DO UPDATE SET xp = excluded.xp, "
                    "quests = excluded.quests, streak = excluded.streak, "
                    "hero_name = excluded.hero_name, mode = excluded.mode, "
                    "vocation = excluded.vocation, extras = excluded.extras",
                {domain, day.memberId, day.day, day.xp, day.quests, day.streak, day.heroName,
                 day.mode, day.vocation, day.extras.dump()});
  });
}

std::vector<Day> days(Storage& storage, const std::string& domain, const std::string& fromDay,
                      const std::string& toDay) {
  return reading(storage, [&](SqlSession& sql) { return daysIn(sql, domain, fromDay, toDay); });
}

std::vector<Day> latestDays(Storage& storage, const std::string& domain) {
  return reading(storage, [&](SqlSession& sql) { return latestDaysIn(sql, domain); });
}

std::int64_t totalXp(Storage& storage, const std::string& domain) {
  return reading(storage, [&](SqlSession& sql) { return totalXpIn(sql, domain); });
}

bool rename(Storage& storage, const std::string& domain, const std::string& memberId,
            const std::string& name) {
  bool renamed = false;
  storage.inSqlTransaction([&](SqlSession& sql) {
    renamed = sql.execute("UPDATE guilds SET name = ?1 WHERE domain = ?2 AND founder_id = ?3",
                          {name, domain, memberId}) == 1;
  });
  return renamed;
}

void removeMember(Storage& storage, const Member& member) {
  storage.inSqlTransaction([&](SqlSession& sql) {
    sql.lock("guild:" + member.domain);
    sql.execute("DELETE FROM guild_keys WHERE member_id = ?1", {member.id});
    sql.execute("DELETE FROM guild_days WHERE member_id = ?1", {member.id});
    sql.execute("DELETE FROM guild_members WHERE id = ?1", {member.id});
    sql.execute(
        "UPDATE guilds SET founder_id = (SELECT id FROM guild_members WHERE domain = ?1 "
        "ORDER BY joined_at, id LIMIT 1) WHERE domain = ?1 AND founder_id = ?2",
        {member.domain, member.id});
  });
}

std::int64_t fixWeekHp(Storage& storage, const std::string& domain, const std::string& week,
                       std::int64_t hp) {
  std::int64_t stored = hp;
  storage.inSqlTransaction([&](SqlSession& sql) {
    sql.execute(
        "INSERT INTO guild_weeks (domain, week, hp) VALUES (?1, ?2, ?3) "
        "ON CONFLICT (domain, week) DO NOTHING",
        {domain, week, hp});
    stored = sql.query("SELECT hp FROM guild_weeks WHERE domain = ?1 AND week = ?2", {domain, week})
                 .at(0)
                 .integer(0);
  });
  return stored;
}

std::vector<Week> weeks(Storage& storage, const std::string& domain) {
  return reading(storage, [&](SqlSession& sql) { return weeksIn(sql, domain); });
}

std::optional<GuildView> view(Storage& storage, const std::string& domain,
                              const std::string& fromDay, const std::string& toDay) {
  return reading(storage, [&](SqlSession& sql) -> std::optional<GuildView> {
    std::optional<GuildRecord> guild = guildIn(sql, domain);
    if (!guild) return std::nullopt;
    return GuildView{std::move(*guild),         membersIn(sql, domain),
                     weeksIn(sql, domain),      daysIn(sql, domain, fromDay, toDay),
                     latestDaysIn(sql, domain), totalXpIn(sql, domain)};
  });
}

bool settleWeek(Storage& storage, const std::string& domain, const std::string& week,
                std::int64_t dealt, bool slain) {
  bool settled = false;
  storage.inSqlTransaction([&](SqlSession& sql) {
    settled = sql.execute(
                  "UPDATE guild_weeks SET dealt = ?1, slain = ?2 "
                  "WHERE domain = ?3 AND week = ?4 AND dealt IS NULL",
                  {dealt, slain ? 1 : 0, domain, week}) == 1;
  });
  return settled;
}

}  // namespace talewick::server::guilds
