#include "server/world_boss_storage.hpp"

namespace talewick::server::raiders {

namespace {

constexpr const char* RAIDER_COLUMNS = "id, hero_name, avatar, vocation, banner, enlisted_at";

Raider raiderOf(const SqlRow& row) {
  return Raider{row.text(0),     row.text(1),    row.cells.at(2),
                row.cells.at(3), row.integer(4), row.integer(5)};
}

}  // namespace

Raider enlist(Storage& storage, Raider raider, const std::string& keyHash) {
  storage.inSqlTransaction([&](SqlSession& sql) {
    // Two raiders enlisting at once must not both take the last seat of a banner.
    sql.lock("raiders");
    const std::int64_t rank =
        sql.query("SELECT COALESCE(MAX(rank), -1) + 1 FROM raiders", {}).at(0).integer(0);
    raider.banner = rank / BANNER_SIZE;
    sql.execute(
        "INSERT INTO raiders (id, key_hash, hero_name, avatar, vocation, banner, rank, "
        "enlisted_at) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)",
        {raider.id, keyHash, raider.heroName, raider.avatar, raider.vocation, raider.banner, rank,
         raider.enlistedAt});
  });
  return raider;
}

std::optional<Raider> raiderWithKeyHash(Storage& storage, const std::string& keyHash) {
  std::optional<Raider> found;
  storage.inSqlReading([&](SqlSession& sql) {
    const auto rows = sql.query(
        std::string("SELECT ") + RAIDER_COLUMNS + " FROM raiders WHERE key_hash = ?1", {keyHash});
    if (!rows.empty()) found = raiderOf(rows[0]);
  });
  return found;
}

std::vector<Raider> banner(Storage& storage, std::int64_t banner) {
  std::vector<Raider> found;
  storage.inSqlReading([&](SqlSession& sql) {
    for (const SqlRow& row : sql.query(std::string("SELECT ") + RAIDER_COLUMNS +
                                           " FROM raiders WHERE banner = ?1 ORDER BY rank",
                                       {banner})) {
      found.push_back(raiderOf(row));
    }
  });
  return found;
}

std::int64_t enlistedBefore(Storage& storage, std::int64_t instant) {
  std::int64_t count = 0;
  storage.inSqlReading([&](SqlSession& sql) {
    count = sql.query("SELECT COUNT(*) FROM raiders WHERE enlisted_at < ?1", {instant})
                .at(0)
                .integer(0);
  });
  return count;
}

void saveDay(Storage& storage, const RaiderDay& day) {
  storage.inSqlTransaction([&](SqlSession& sql) {
    sql.execute(
        "INSERT INTO raider_days (raider_id, day, damage) VALUES (?1, ?2, ?3) "
        "ON CONFLICT (raider_id, day) DO UPDATE SET damage = excluded.damage",
        {day.raiderId, day.day, day.damage});
  });
}

std::vector<RaiderDay> days(Storage& storage, const std::string& fromDay,
                            const std::string& toDay) {
  std::vector<RaiderDay> found;
  storage.inSqlReading([&](SqlSession& sql) {
    for (const SqlRow& row : sql.query("SELECT raider_id, day, damage FROM raider_days "
                                       "WHERE day >= ?1 AND day <= ?2 ORDER BY day, raider_id",
                                       {fromDay, toDay})) {
      found.push_back(RaiderDay{row.text(0), row.text(1), row.integer(2)});
    }
  });
  return found;
}

}  // namespace talewick::server::raiders
