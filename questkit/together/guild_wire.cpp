#include "together/guild_wire.hpp"

#include <array>
#include <tuple>
#include <utility>

#include "support/loc.hpp"
#include "together/backend_error_body.hpp"

namespace talewick::GuildWire {

using json_coding::Field;

static const auto kGuildInfoFields =
    std::tuple{Field{"domain", &GuildInfo::domain},
               Field{"name", &GuildInfo::name},
               Field{"emblem", &GuildInfo::emblem},
               Field{"memberCount", &GuildInfo::memberCount},
               Field{"totalXpAllTime", &GuildInfo::totalXpAllTime},
               Field{"founderMemberId", &GuildInfo::founderMemberId}};
TALEWICK_JSON_CODING(GuildInfo, kGuildInfoFields)

static const auto kDayPointFields =
    std::tuple{Field{"day", &DayPoint::day}, Field{"xp", &DayPoint::xp},
               Field{"quests", &DayPoint::quests}, Field{"active", &DayPoint::active}};
TALEWICK_JSON_CODING(DayPoint, kDayPointFields)

static const auto kEntryFields =
    std::tuple{Field{"memberId", &Entry::memberId}, Field{"heroName", &Entry::heroName},
               Field{"mode", &Entry::mode},         Field{"vocation", &Entry::vocation},
               Field{"weekXp", &Entry::weekXp},     Field{"isYou", &Entry::isYou},
               Field{"todayXp", &Entry::todayXp},   Field{"weekQuests", &Entry::weekQuests},
               Field{"streak", &Entry::streak},     Field{"lastActiveDay", &Entry::lastActiveDay},
               Field{"totalXp", &Entry::totalXp},   Field{"level", &Entry::level},
               Field{"avatar", &Entry::avatar},     Field{"identityKeys", &Entry::identityKeys}};
TALEWICK_JSON_CODING(Entry, kEntryFields)

static const auto kBossNameFields =
    std::tuple{Field{"key", &BossName::key}, Field{"emoji", &BossName::emoji},
               Field{"nameFR", &BossName::nameFR}, Field{"nameEN", &BossName::nameEN}};
TALEWICK_JSON_CODING(BossName, kBossNameFields)

static const auto kSeasonBossFields =
    std::tuple{Field{"key", &SeasonBoss::key},       Field{"emoji", &SeasonBoss::emoji},
               Field{"nameFR", &SeasonBoss::nameFR}, Field{"nameEN", &SeasonBoss::nameEN},
               Field{"hp", &SeasonBoss::hp},         Field{"hpLeft", &SeasonBoss::hpLeft}};
TALEWICK_JSON_CODING(SeasonBoss, kSeasonBossFields)

static const auto kSeasonFields = std::tuple{
    Field{"week", &Season::week}, Field{"boss", &Season::boss}, Field{"dealt", &Season::dealt},
    Field{"yourDealt", &Season::yourDealt}, Field{"daysLeft", &Season::daysLeft}};
TALEWICK_JSON_CODING(Season, kSeasonFields)

static const auto kChronicleFields =
    std::tuple{Field{"week", &ChronicleItem::week}, Field{"boss", &ChronicleItem::boss},
               Field{"hp", &ChronicleItem::hp}, Field{"dealt", &ChronicleItem::dealt},
               Field{"slain", &ChronicleItem::slain}};
TALEWICK_JSON_CODING(ChronicleItem, kChronicleFields)

static const auto kBoardFields =
    std::tuple{Field{"guild", &Board::guild},     Field{"week", &Board::week},
               Field{"totalXp", &Board::totalXp}, Field{"lastWeekXp", &Board::lastWeekXp},
               Field{"days", &Board::days},       Field{"board", &Board::board},
               Field{"season", &Board::season},   Field{"chronicle", &Board::chronicle},
               Field{"titles", &Board::titles}};
TALEWICK_JSON_CODING(Board, kBoardFields)

Err Err::server(std::string message) { return Err{Kind::server, std::move(message)}; }

Err error(std::string_view body, int64_t status) {
  constexpr std::array<std::pair<std::string_view, Err::Kind>, 5> kKnown{{
      {"public_domain", Err::Kind::publicDomain},
      {"invalid_email", Err::Kind::invalidEmail},
      {"bad_or_expired_code", Err::Kind::badCode},
      {"rate_limited", Err::Kind::rateLimited},
      {"founder_only", Err::Kind::founderOnly},
  }};
  const auto code = backendErrorCode(body);
  if (!code) return Err::server(httpStatusText(status));
  for (const auto& [raw, kind] : kKnown) {
    if (*code == raw) return Err{kind, {}};
  }
  return Err::server(*code);
}

std::string description(const Err& err) {
  switch (err.kind) {
    case Err::Kind::notConfigured:
      return Loc::string("guild.error.notConfigured", "Backend non configuré.");
    case Err::Kind::notMember:
      return Loc::string("guild.error.notMember", "Tu n'as pas encore rejoint de guilde.");
    case Err::Kind::publicDomain:
      return Loc::string("guild.error.publicDomain",
                         "Une guilde est une entreprise : utilise ton adresse email "
                         "professionnelle (pas Gmail, iCloud…).");
    case Err::Kind::invalidEmail:
      return Loc::string("guild.error.invalidEmail", "Cette adresse email n'a pas l'air valide.");
    case Err::Kind::badCode:
      return Loc::string("guild.error.badCode", "Code invalide ou expiré — redemande un code.");
    case Err::Kind::rateLimited:
      return Loc::string("guild.error.rateLimited",
                         "Trop de tentatives — réessaie dans une heure.");
    case Err::Kind::founderOnly:
      return Loc::string("guild.error.founderOnly",
                         "Seul le fondateur de la guilde peut la renommer.");
    case Err::Kind::server:
      break;
  }
  return serverErrorText(err.message);
}

}  // namespace talewick::GuildWire
