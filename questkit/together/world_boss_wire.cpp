#include "together/world_boss_wire.hpp"

#include <tuple>
#include <utility>

#include "support/loc.hpp"
#include "support/text.hpp"
#include "together/backend_error_body.hpp"

namespace talewick::WorldBossWire {

using json_coding::Field;

static const auto kBossFields =
    std::tuple{Field{"key", &Boss::key},       Field{"emoji", &Boss::emoji},
               Field{"nameFR", &Boss::nameFR}, Field{"nameEN", &Boss::nameEN},
               Field{"hp", &Boss::hp},         Field{"dealt", &Boss::dealt},
               Field{"rage", &Boss::rage},     Field{"enlisted", &Boss::enlisted},
               Field{"status", &Boss::status}};
TALEWICK_JSON_CODING(Boss, kBossFields)

static const auto kRosterFields =
    std::tuple{Field{"heroName", &RosterMember::heroName}, Field{"avatar", &RosterMember::avatar},
               Field{"vocation", &RosterMember::vocation}, Field{"dealt", &RosterMember::dealt},
               Field{"isYou", &RosterMember::isYou}};
TALEWICK_JSON_CODING(RosterMember, kRosterFields)

static const auto kBannerFields =
    std::tuple{Field{"nameFR", &Banner::nameFR}, Field{"nameEN", &Banner::nameEN},
               Field{"roster", &Banner::roster}};
TALEWICK_JSON_CODING(Banner, kBannerFields)

static const auto kChronicleFields = std::tuple{
    Field{"key", &ChronicleEntry::key}, Field{"day", &ChronicleEntry::day},
    Field{"threshold", &ChronicleEntry::threshold}, Field{"messageFR", &ChronicleEntry::messageFR},
    Field{"messageEN", &ChronicleEntry::messageEN}};
TALEWICK_JSON_CODING(ChronicleEntry, kChronicleFields)

static const auto kPrevResultFields =
    std::tuple{Field{"week", &PrevResult::week}, Field{"victory", &PrevResult::victory},
               Field{"dealt", &PrevResult::dealt}};
TALEWICK_JSON_CODING(PrevResult, kPrevResultFields)

static const auto kBoardFields = std::tuple{
    Field{"week", &Board::week}, Field{"boss", &Board::boss}, Field{"banner", &Board::banner},
    Field{"chronicle", &Board::chronicle}, Field{"prevResult", &Board::prevResult}};
TALEWICK_JSON_CODING(Board, kBoardFields)

Err Err::server(std::string message) { return Err{Kind::server, std::move(message)}; }

Err error(std::string_view body, int64_t status) {
  const auto code = backendErrorCode(body);
  if (!code) return Err::server(httpStatusText(status));
  if (*code == "invalid_hero_name") return Err{Err::Kind::invalidPseudo, {}};
  if (*code == "rate_limited") return Err{Err::Kind::rateLimited, {}};
  return Err::server(*code);
}

std::string description(const Err& err) {
  switch (err.kind) {
    case Err::Kind::notConfigured:
      return Loc::string("worldboss.error.notConfigured", "Backend non configuré.");
    case Err::Kind::notEnlisted:
      return Loc::string("worldboss.error.notEnlisted", "Tu n'as pas encore hissé ta bannière.");
    case Err::Kind::invalidPseudo:
      return Loc::string("worldboss.error.invalidPseudo",
                         "Choisis un pseudo d'au moins 2 caractères.");
    case Err::Kind::rateLimited:
      return Loc::string("worldboss.error.rateLimited",
                         "Trop de tentatives — réessaie dans une heure.");
    case Err::Kind::server:
      break;
  }
  return serverErrorText(err.message);
}

std::optional<Err> checkPseudo(std::string_view pseudo) {
  if (text::perceivedLength(text::trim(pseudo)) >= minimumPseudoLength) return std::nullopt;
  return Err{Err::Kind::invalidPseudo, {}};
}

}  // namespace talewick::WorldBossWire
