#include "server/vigil_storage.hpp"

#include <map>

#include "server/vigil_room.hpp"
#include "together/world_boss_vigil.hpp"

namespace talewick::server::vigils {

namespace {

constexpr const char* SEAT_COLUMNS = "slot, raider_id, room, pledged, done, held, reward";

Seat seatOf(const SqlRow& row) {
  Seat seat{row.text(0),    row.text(1),  row.integer(2),        row.integer(3),
            row.integer(4), std::nullopt, row.optionalInteger(6)};
  if (const auto held = row.optionalInteger(5)) seat.held = *held == 1;
  return seat;
}

std::optional<VigilWire::Result> resultIn(SqlSession& sql, const std::string& slot,
                                          std::int64_t room) {
  const auto rows = sql.query(
      "SELECT lit, belfry, members, fire_level FROM vigil_results WHERE slot = ?1 AND room = ?2",
      {slot, room});
  if (rows.empty()) return std::nullopt;
  return VigilWire::Result{rows[0].integer(0) == 1, rows[0].integer(1) == 1, rows[0].integer(2),
                           rows[0].integer(3)};
}

std::vector<SeatView> roomIn(SqlSession& sql, const std::string& slot, std::int64_t room) {
  std::vector<SeatView> views;
  for (const SqlRow& row :
       sql.query("SELECT s.slot, s.raider_id, s.room, s.pledged, s.done, s.held, s.reward, "
                 "r.hero_name, r.avatar, r.vocation, (SELECT MAX(minute) FROM vigil_beats b "
                 "WHERE b.slot = s.slot AND b.raider_id = s.raider_id) "
                 "FROM vigil_seats s JOIN raiders r ON r.id = s.raider_id "
                 "WHERE s.slot = ?1 AND s.room = ?2 ORDER BY s.seat",
                 {slot, room})) {
    views.push_back(SeatView{seatOf(row), row.text(7), row.cells.at(8), row.cells.at(9),
                             row.optionalInteger(10)});
  }
  return views;
}

std::vector<Cry> criesIn(SqlSession& sql, const std::string& slot, std::int64_t room,
                         std::int64_t limit) {
  std::vector<Cry> found;
  const auto rows = sql.query(
      "SELECT r.hero_name, c.cry, c.at FROM vigil_cries c JOIN raiders r ON r.id = c.raider_id "
      "WHERE c.slot = ?1 AND c.room = ?2 ORDER BY c.at DESC, c.raider_id LIMIT ?3",
      {slot, room, limit});
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    found.push_back(Cry{row->text(0), row->text(1), row->integer(2)});
  }
  return found;
}

}  // namespace

Seat join(Storage& storage, const std::string& slot, const std::string& raiderId,
          std::int64_t pledged) {
  Seat seated;
  storage.inSqlTransaction([&](SqlSession& sql) {
    sql.lock("vigil:" + slot);
    const auto found = sql.query(std::string("SELECT ") + SEAT_COLUMNS +
                                     " FROM vigil_seats WHERE slot = ?1 AND raider_id = ?2",
                                 {slot, raiderId});
    if (!found.empty()) {
      seated = seatOf(found[0]);
      return;
    }
    const auto last = sql.query(
        "SELECT room, COUNT(*) FROM vigil_seats WHERE slot = ?1 "
        "GROUP BY room ORDER BY room DESC LIMIT 1",
        {slot});
    std::int64_t room = 1;
    if (!last.empty()) {
      room = last[0].integer(0);
      if (last[0].integer(1) >= WorldBossVigil::capacity) ++room;
    }
    const std::int64_t order =
        sql.query("SELECT COUNT(*) FROM vigil_seats WHERE slot = ?1", {slot}).at(0).integer(0);
    seated = Seat{slot, raiderId, room, pledged, 0, std::nullopt, std::nullopt};
    sql.execute(
        "INSERT INTO vigil_seats (slot, raider_id, room, seat, pledged, done) "
        "VALUES (?1, ?2, ?3, ?4, ?5, 0)",
        {slot, raiderId, room, order, pledged});
  });
  return seated;
}

std::optional<Seat> seat(Storage& storage, const std::string& slot, const std::string& raiderId) {
  std::optional<Seat> found;
  storage.inSqlReading([&](SqlSession& sql) {
    const auto rows = sql.query(std::string("SELECT ") + SEAT_COLUMNS +
                                    " FROM vigil_seats WHERE slot = ?1 AND raider_id = ?2",
                                {slot, raiderId});
    if (!rows.empty()) found = seatOf(rows[0]);
  });
  return found;
}

void beat(Storage& storage, const std::string& slot, const std::string& raiderId,
          std::int64_t window) {
  storage.inSqlTransaction([&](SqlSession& sql) {
    sql.execute(
        "INSERT INTO vigil_beats (slot, raider_id, minute) VALUES (?1, ?2, ?3) "
        "ON CONFLICT (slot, raider_id, minute) DO NOTHING",
        {slot, raiderId, window});
  });
}

void setDone(Storage& storage, const std::string& slot, const std::string& raiderId,
             std::int64_t done) {
  storage.inSqlTransaction([&](SqlSession& sql) {
    sql.execute("UPDATE vigil_seats SET done = ?1 WHERE slot = ?2 AND raider_id = ?3",
                {done, slot, raiderId});
  });
}

bool cry(Storage& storage, const Seat& seat, const std::string& key, std::int64_t now,
         std::int64_t minIntervalSeconds, std::int64_t maxPerSession) {
  bool recorded = false;
  storage.inSqlTransaction([&](SqlSession& sql) {
    sql.lock("vigil-cry:" + seat.slot + ":" + seat.raiderId);
    const SqlRow sent = sql.query(
                               "SELECT COUNT(*), MAX(at) FROM vigil_cries "
                               "WHERE slot = ?1 AND raider_id = ?2",
                               {seat.slot, seat.raiderId})
                            .at(0);
    if (sent.integer(0) >= maxPerSession) return;
    if (const auto last = sent.optionalInteger(1); last && now - *last < minIntervalSeconds) return;
    sql.execute(
        "INSERT INTO vigil_cries (slot, room, raider_id, cry, at) VALUES (?1, ?2, ?3, ?4, ?5)",
        {seat.slot, seat.room, seat.raiderId, key, now});
    recorded = true;
  });
  return recorded;
}

RoomView roomView(Storage& storage, const std::string& slot, std::int64_t room,
                  std::int64_t criesShown) {
  RoomView view;
  storage.inSqlReading([&](SqlSession& sql) {
    // The result first: the statements are not one snapshot, and the seats' rewards are
    // committed with the result, so seats read after a result always show them.
    view.result = resultIn(sql, slot, room);
    view.seats = roomIn(sql, slot, room);
    view.cries = criesIn(sql, slot, room, criesShown);
  });
  return view;
}

VigilWire::Result resolve(Storage& storage, const std::string& slot, std::int64_t room) {
  VigilWire::Result resolved;
  storage.inSqlTransaction([&](SqlSession& sql) {
    sql.lock("vigil-resolve:" + slot + ":" + std::to_string(room));
    if (const auto done = resultIn(sql, slot, room)) {
      resolved = *done;
      return;
    }
    const auto seats = sql.query(
        "SELECT raider_id, done FROM vigil_seats WHERE slot = ?1 AND room = ?2 ORDER BY seat",
        {slot, room});
    std::map<std::string, std::vector<std::int64_t>> windows;
    for (const SqlRow& row : sql.query(
             "SELECT b.raider_id, b.minute FROM vigil_beats b JOIN vigil_seats s "
             "ON s.slot = b.slot AND s.raider_id = b.raider_id WHERE s.slot = ?1 AND s.room = ?2",
             {slot, room})) {
      windows[row.text(0)].push_back(row.integer(1));
    }
    std::vector<vigil::SeatState> states;
    for (const SqlRow& row : seats) states.push_back({windows[row.text(0)], row.integer(1)});
    const vigil::Resolution resolution = vigil::resolve(states);
    for (std::size_t i = 0; i < seats.size(); ++i) {
      sql.execute(
          "UPDATE vigil_seats SET held = ?1, reward = ?2 WHERE slot = ?3 AND raider_id = ?4",
          {resolution.seats[i].held ? 1 : 0, resolution.seats[i].reward, slot, seats[i].text(0)});
    }
    resolved = resolution.result;
    sql.execute(
        "INSERT INTO vigil_results (slot, room, lit, belfry, members, fire_level) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
        {slot, room, resolved.lit ? 1 : 0, resolved.belfry ? 1 : 0, resolved.members,
         resolved.fireLevel});
  });
  return resolved;
}

}  // namespace talewick::server::vigils
