#include "server/schema_steps.hpp"

#include <regex>

namespace talewick::server {

const std::vector<std::string_view>& schemaSteps() {
  static const std::vector<std::string_view> steps = {
      // 1: users, their connections and their OAuth round trips.
      R"sql(
        CREATE TABLE users (
          id TEXT PRIMARY KEY,
          key_hash TEXT NOT NULL UNIQUE,
          created_at INTEGER NOT NULL
        );
        CREATE TABLE connections (
          user_id TEXT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
          provider TEXT NOT NULL,
          id TEXT NOT NULL,
          profile TEXT NOT NULL,
          connected_at INTEGER,
          PRIMARY KEY (user_id, provider, id)
        );
        CREATE TABLE oauth_states (
          state TEXT PRIMARY KEY,
          user_id TEXT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
          provider TEXT NOT NULL,
          code_verifier TEXT NOT NULL,
          created_at INTEGER NOT NULL,
          UNIQUE (user_id, provider)
        );
      )sql",
      // 2: the provider tokens of each connection, sealed.
      R"sql(
        ALTER TABLE connections ADD COLUMN tokens TEXT NOT NULL DEFAULT '';
      )sql",
      // 3: booking links and the bookings of their slots. One booking at most holds a slot:
      // the partial index makes a second request for it fail, whatever process sends it, and
      // a declined booking lets it go.
      R"sql(
        CREATE TABLE openings (
          id TEXT PRIMARY KEY,
          public_id TEXT NOT NULL UNIQUE,
          owner_id TEXT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
          title TEXT NOT NULL,
          duration_min INTEGER NOT NULL,
          approval TEXT NOT NULL,
          conference TEXT NOT NULL,
          slots TEXT NOT NULL,
          created_at INTEGER NOT NULL
        );
        CREATE TABLE bookings (
          id TEXT PRIMARY KEY,
          opening_id TEXT NOT NULL REFERENCES openings(id) ON DELETE CASCADE,
          slot TEXT NOT NULL,
          name TEXT NOT NULL,
          email TEXT NOT NULL,
          note TEXT NOT NULL,
          status TEXT NOT NULL,
          created_at INTEGER NOT NULL
        );
        CREATE UNIQUE INDEX bookings_one_per_slot ON bookings (opening_id, slot)
          WHERE status <> 'declined';
        CREATE INDEX bookings_by_opening ON bookings (opening_id, created_at);
      )sql",
      // 4: the invitations mailed by the relay, and their guests with their answers.
      R"sql(
        CREATE TABLE invitations (
          uid TEXT PRIMARY KEY,
          token TEXT NOT NULL UNIQUE,
          owner_id TEXT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
          sequence INTEGER NOT NULL,
          title TEXT NOT NULL
        );
        CREATE TABLE invitation_guests (
          uid TEXT NOT NULL REFERENCES invitations(uid) ON DELETE CASCADE,
          email_key TEXT NOT NULL,
          email TEXT NOT NULL,
          name TEXT,
          position INTEGER NOT NULL,
          status TEXT NOT NULL,
          responded_at INTEGER,
          comment TEXT,
          PRIMARY KEY (uid, email_key)
        );
      )sql",
      // 5: playing together. Attempts counted for rate limits; the guilds of company domains,
      // their members (one per address, any number of keys), their daily aggregates and their
      // weekly bosses (hit points fixed when first asked, dealt and slain once settled); the
      // world boss's raiders and their daily damage; the vigil's seats, heartbeats, cries and
      // resolved rooms.
      R"sql(
        CREATE TABLE attempts (
          bucket TEXT NOT NULL,
          at INTEGER NOT NULL
        );
        CREATE INDEX attempts_by_bucket ON attempts (bucket, at);
        CREATE TABLE guild_codes (
          email TEXT PRIMARY KEY,
          code_hash TEXT NOT NULL,
          expires_at INTEGER NOT NULL,
          wrong_tries INTEGER NOT NULL
        );
        CREATE TABLE guilds (
          domain TEXT PRIMARY KEY,
          name TEXT NOT NULL,
          emblem TEXT NOT NULL,
          founder_id TEXT,
          created_at INTEGER NOT NULL
        );
        CREATE TABLE guild_members (
          id TEXT PRIMARY KEY,
          email TEXT NOT NULL UNIQUE,
          domain TEXT NOT NULL REFERENCES guilds(domain),
          joined_at INTEGER NOT NULL
        );
        CREATE INDEX guild_members_by_domain ON guild_members (domain, joined_at);
        CREATE TABLE guild_keys (
          key_hash TEXT PRIMARY KEY,
          member_id TEXT NOT NULL REFERENCES guild_members(id) ON DELETE CASCADE
        );
        CREATE TABLE guild_days (
          member_id TEXT NOT NULL REFERENCES guild_members(id) ON DELETE CASCADE,
          domain TEXT NOT NULL,
          day TEXT NOT NULL,
          xp INTEGER NOT NULL,
          quests INTEGER NOT NULL,
          streak INTEGER NOT NULL,
          hero_name TEXT NOT NULL,
          mode TEXT NOT NULL,
          vocation TEXT,
          extras TEXT NOT NULL,
          PRIMARY KEY (member_id, day)
        );
        CREATE INDEX guild_days_by_domain ON guild_days (domain, day);
        CREATE TABLE guild_weeks (
          domain TEXT NOT NULL,
          week TEXT NOT NULL,
          hp INTEGER NOT NULL,
          dealt INTEGER,
          slain INTEGER,
          PRIMARY KEY (domain, week)
        );
        CREATE TABLE raiders (
          id TEXT PRIMARY KEY,
          key_hash TEXT NOT NULL UNIQUE,
          hero_name TEXT NOT NULL,
          avatar TEXT,
          vocation TEXT,
          banner INTEGER NOT NULL,
          rank INTEGER NOT NULL UNIQUE,
          enlisted_at INTEGER NOT NULL
        );
        CREATE INDEX raiders_by_banner ON raiders (banner, rank);
        CREATE TABLE raider_days (
          raider_id TEXT NOT NULL REFERENCES raiders(id) ON DELETE CASCADE,
          day TEXT NOT NULL,
          damage INTEGER NOT NULL,
          PRIMARY KEY (raider_id, day)
        );
        CREATE INDEX raider_days_by_day ON raider_days (day);
        CREATE TABLE vigil_seats (
          slot TEXT NOT NULL,
          raider_id TEXT NOT NULL REFERENCES raiders(id) ON DELETE CASCADE,
          room INTEGER NOT NULL,
          seat INTEGER NOT NULL,
          pledged INTEGER NOT NULL,
          done INTEGER NOT NULL,
          held INTEGER,
          reward INTEGER,
          PRIMARY KEY (slot, raider_id)
        );
        CREATE INDEX vigil_seats_by_room ON vigil_seats (slot, room, seat);
        CREATE TABLE vigil_beats (
          slot TEXT NOT NULL,
          raider_id TEXT NOT NULL,
          minute INTEGER NOT NULL,
          PRIMARY KEY (slot, raider_id, minute)
        );
        CREATE TABLE vigil_cries (
          slot TEXT NOT NULL,
          room INTEGER NOT NULL,
          raider_id TEXT NOT NULL,
          cry TEXT NOT NULL,
          at INTEGER NOT NULL
        );
        CREATE INDEX vigil_cries_by_room ON vigil_cries (slot, room, at);
        CREATE TABLE vigil_results (
          slot TEXT NOT NULL,
          room INTEGER NOT NULL,
          lit INTEGER NOT NULL,
          belfry INTEGER NOT NULL,
          members INTEGER NOT NULL,
          fire_level INTEGER NOT NULL,
          PRIMARY KEY (slot, room)
        );
      )sql",
  };
  return steps;
}

std::string inPostgresTypes(std::string_view step) {
  static const std::regex integer("\\bINTEGER\\b");
  return std::regex_replace(std::string(step), integer, "BIGINT");
}

}  // namespace talewick::server
