// What the guild routes keep: the join codes, the guilds of company domains, their members and
// keys, the members' daily aggregates and the guilds' weekly bosses. Functions over the storage
// port, each one transaction (or one reading session).
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "server/storage.hpp"

namespace talewick::server::guilds {

struct GuildRecord {
  std::string domain;
  std::string name;
  std::string emblem;
  std::optional<std::string> founderId;
  bool operator==(const GuildRecord&) const = default;
};

struct Member {
  std::string id;
  std::string email;
  std::string domain;
  std::int64_t joinedAt = 0;
  bool operator==(const Member&) const = default;
};

// One member's aggregate of one day, capped.
struct Day {
  std::string memberId;
  std::string day;
  std::int64_t xp = 0;
  std::int64_t quests = 0;
  std::int64_t streak = 0;
  std::string heroName;
  std::string mode;
  std::optional<std::string> vocation;
  // What the member sent beyond the aggregate: "totalXp", "level", "avatar", "identityKeys".
  nlohmann::json extras = nlohmann::json::object();
  bool operator==(const Day&) const = default;
};

// A weekly boss: its hit points, fixed when the week's board is first asked for, and what the
// guild dealt once the week is settled.
struct Week {
  std::string week;
  std::int64_t hp = 0;
  std::optional<std::int64_t> dealt;  // nullopt until settled
  bool slain = false;
  bool operator==(const Week&) const = default;
};

// The code mailed to `email`, replacing an earlier one (its wrong tries forgotten).
void saveCode(Storage& storage, const std::string& email, const std::string& codeHash,
              std::int64_t expiresAt);

enum class CodeCheck {
  accepted,  // the code is spent
  wrong,     // counted against the code, which dies at `maxWrongTries`
  none       // no live code for the address
};
CodeCheck checkCode(Storage& storage, const std::string& email, const std::string& codeHash,
                    std::int64_t now, std::int64_t maxWrongTries);

struct Admission {
  Member member;
  GuildRecord guild;
};
// Admits `email` to the guild of `domain` under a new key: the guild is created with `founding`'s
// name and emblem (and this member as founder) when it does not exist; an address admitted before
// stays the same member (`newMemberId` unused), its older keys still valid.
Admission admit(Storage& storage, const std::string& email, const std::string& domain,
                const std::string& newMemberId, const std::string& keyHash, std::int64_t now,
                const GuildRecord& founding);

std::optional<Member> memberWithKeyHash(Storage& storage, const std::string& keyHash);
std::optional<GuildRecord> guild(Storage& storage, const std::string& domain);
// The guild's members, the earliest admitted first.
std::vector<Member> members(Storage& storage, const std::string& domain);

// Stores the member's day, replacing what they sent before for that day.
void saveDay(Storage& storage, const std::string& domain, const Day& day);
// The guild's days from `fromDay` to `toDay` (day keys, both included), by day then member.
std::vector<Day> days(Storage& storage, const std::string& domain, const std::string& fromDay,
                      const std::string& toDay);
// Each member's latest day.
std::vector<Day> latestDays(Storage& storage, const std::string& domain);
// The experience of every day the guild's members sent (members who left no longer count).
std::int64_t totalXp(Storage& storage, const std::string& domain);

// Renames the guild; false, changing nothing, when `memberId` is not its founder.
bool rename(Storage& storage, const std::string& domain, const std::string& memberId,
            const std::string& name);

// Forgets the member, their keys and their days. When the founder leaves, the member admitted
// earliest after them becomes founder (none when nobody is left).
void removeMember(Storage& storage, const Member& member);

// The week's hit points: `hp` when the week has none yet (stored then), else the stored ones.
std::int64_t fixWeekHp(Storage& storage, const std::string& domain, const std::string& week,
                       std::int64_t hp);
// The guild's weeks, the latest first.
std::vector<Week> weeks(Storage& storage, const std::string& domain);

// Everything a board shows of a guild, read in one session rather than one a query: under load,
// waiting for a database connection is most of a read's time.
struct GuildView {
  GuildRecord guild;
  std::vector<Member> members;  // as members()
  std::vector<Week> weeks;      // as weeks()
  std::vector<Day> days;        // as days() from `fromDay` to `toDay`
  std::vector<Day> latestDays;  // as latestDays()
  std::int64_t totalXp = 0;     // as totalXp()
};
// nullopt when the guild does not exist.
std::optional<GuildView> view(Storage& storage, const std::string& domain,
                              const std::string& fromDay, const std::string& toDay);

// Records what the guild dealt in `week`, once: false when it was settled already.
bool settleWeek(Storage& storage, const std::string& domain, const std::string& week,
                std::int64_t dealt, bool slain);

}  // namespace talewick::server::guilds
