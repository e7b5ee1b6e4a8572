#include "together/vigil_wire.hpp"

#include <algorithm>
#include <tuple>
#include <utility>

#include "support/loc.hpp"
#include "support/text.hpp"
#include "together/backend_error_body.hpp"
#include "together/world_boss_vigil.hpp"

namespace talewick::VigilWire {

using json_coding::Field;

static const auto kCandleFields =
    std::tuple{Field{"heroName", &Candle::heroName}, Field{"avatar", &Candle::avatar},
               Field{"vocation", &Candle::vocation}, Field{"candle", &Candle::candle},
               Field{"pledged", &Candle::pledged},   Field{"done", &Candle::done}};
TALEWICK_JSON_CODING(Candle, kCandleFields)

static const auto kYouFields =
    std::tuple{Field{"candle", &You::candle},   Field{"held", &You::held},
               Field{"reward", &You::reward},   Field{"receiptId", &You::receiptId},
               Field{"pledged", &You::pledged}, Field{"done", &You::done}};
TALEWICK_JSON_CODING(You, kYouFields)

static const auto kResultFields =
    std::tuple{Field{"lit", &Result::lit}, Field{"belfry", &Result::belfry},
               Field{"members", &Result::members}, Field{"fireLevel", &Result::fireLevel}};
TALEWICK_JSON_CODING(Result, kResultFields)

static const auto kCryEventFields =
    std::tuple{Field{"heroName", &CryEvent::heroName}, Field{"key", &CryEvent::key},
               Field{"at", &CryEvent::at}};
TALEWICK_JSON_CODING(CryEvent, kCryEventFields)

static const auto kRoomFields = std::tuple{Field{"slot", &Room::slot},
                                           Field{"room", &Room::room},
                                           Field{"phase", &Room::phase},
                                           Field{"capacity", &Room::capacity},
                                           Field{"minToLight", &Room::minToLight},
                                           Field{"fireLevel", &Room::fireLevel},
                                           Field{"roster", &Room::roster},
                                           Field{"you", &Room::you},
                                           Field{"result", &Room::result},
                                           Field{"startsInSec", &Room::startsInSec},
                                           Field{"endsInSec", &Room::endsInSec},
                                           Field{"cries", &Room::cries}};
TALEWICK_JSON_CODING(Room, kRoomFields)

Err Err::server(std::string message) { return Err{Kind::server, std::move(message)}; }

Err error(std::string_view body, int64_t status) {
  if (status == 503) return Err{Err::Kind::locked, {}};
  const auto code = backendErrorCode(body);
  if (!code) return Err::server(httpStatusText(status));
  if (*code == "rate_limited") return Err{Err::Kind::rateLimited, {}};
  if (*code == "locked") return Err{Err::Kind::locked, {}};
  return Err::server(*code);
}

std::string description(const Err& err) {
  switch (err.kind) {
    case Err::Kind::notConfigured:
      return Loc::string("vigil.error.notConfigured", "Backend non configuré.");
    case Err::Kind::notEnlisted:
      return Loc::string("vigil.error.notEnlisted", "Hisse d'abord ta bannière du Fléau.");
    case Err::Kind::rateLimited:
      return Loc::string("vigil.error.rateLimited", "Trop d'appels — on ralentit un instant.");
    case Err::Kind::locked:
      return Loc::string("vigil.error.locked", "La veillée se scelle — réessaie dans un instant.");
    case Err::Kind::server:
      break;
  }
  return serverErrorText(err.message);
}

int64_t pledgeCount(const std::vector<std::string>& lines) {
  const auto filled = std::ranges::count_if(
      lines, [](const std::string& line) { return !text::trim(line).empty(); });
  return std::min<int64_t>(filled, WorldBossVigil::maxPledged);
}

Json joinBody(std::string_view slot, int64_t pledged) {
  Json body{{"slot", slot}};
  if (pledged > 0) body["pledged"] = pledged;
  return body;
}

}  // namespace talewick::VigilWire
