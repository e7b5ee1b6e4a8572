#include "server/vigil_routes.hpp"

#include <algorithm>
#include <cmath>

#include "server/request_parts.hpp"
#include "server/responses.hpp"
#include "server/vigil_room.hpp"
#include "server/vigil_storage.hpp"
#include "server/world_boss_storage.hpp"
#include "together/vigil_wire.hpp"
#include "together/world_boss_vigil.hpp"

namespace talewick::server {

namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

// A slot's instants in seconds since 1970.
struct SlotTimes {
  std::string slot;
  std::int64_t start = 0;
  std::int64_t sessionEnd = 0;
  std::int64_t close = 0;
};

std::optional<SlotTimes> slotTimes(const std::string& slot) {
  const std::optional<Date> start = WorldBossVigil::slotStart(slot);
  if (!start) return std::nullopt;
  const auto startUnix = static_cast<std::int64_t>(std::llround(start->unix()));
  // Only the starts of slots name slots: "12:31Z" is no slot.
  if (startUnix % (WorldBossVigil::slotMinutes * 60) != 0) return std::nullopt;
  return SlotTimes{slot, startUnix, startUnix + WorldBossVigil::sessionMinutes * 60,
                   startUnix + WorldBossVigil::slotMinutes * 60};
}

// What every vigil call starts with: the raider of the key, the slot, the body.
struct VigilCall {
  raiders::Raider raider;
  SlotTimes slot;
  json body;
};

std::optional<VigilCall> vigilCall(Storage& storage, const Request& request, Response& response,
                                   bool slotInQuery) {
  std::optional<raiders::Raider> raider;
  if (const auto key = bearerKey(request)) {
    raider = raiders::raiderWithKeyHash(storage, keyHash(*key));
  }
  if (!raider) {
    sendError(response, 401, "not_enlisted");
    return std::nullopt;
  }
  std::optional<json> body = jsonBody(request);
  if (!body) {
    sendError(response, 400, "invalid_json");
    return std::nullopt;
  }
  std::string slot;
  if (slotInQuery) {
    slot = request.get_param_value("slot");
  } else if (body->is_object() && body->contains("slot") && (*body)["slot"].is_string()) {
    slot = (*body)["slot"].get<std::string>();
  }
  const std::optional<SlotTimes> times = slotTimes(slot);
  if (!times) {
    sendError(response, 400, "invalid_slot");
    return std::nullopt;
  }
  return VigilCall{std::move(*raider), *times, std::move(*body)};
}

VigilWire::Room roomRecord(Storage& storage, const SlotTimes& slot, const vigils::Seat& mine,
                           std::int64_t now) {
  VigilWire::Room room;
  room.slot = slot.slot;
  room.room = mine.room;
  room.phase = vigil::phase(slot.start, now);
  room.capacity = WorldBossVigil::capacity;
  room.minToLight = WorldBossVigil::minimum;
  vigils::RoomView view = vigils::roomView(storage, slot.slot, mine.room, VigilRoutes::CRIES_SHOWN);
  // A closed room is resolved once, by its first reader, who then reads the rewards it gave.
  if (room.phase == "resolved" && !view.result) {
    vigils::resolve(storage, slot.slot, mine.room);
    view = vigils::roomView(storage, slot.slot, mine.room, VigilRoutes::CRIES_SHOWN);
  }
  const std::optional<VigilWire::Result> result =
      room.phase == "resolved" ? view.result : std::nullopt;
  const std::int64_t window = vigil::windowAt(slot.start, now);
  std::int64_t lit = 0;
  for (const vigils::SeatView& seat : view.seats) {
    std::string candle;
    if (result) {
      candle = seat.seat.held.value_or(false) ? "held" : "snuffed";
    } else {
      candle = vigil::liveCandle(room.phase, seat.lastBeatWindow, window);
      if (candle == "lit") ++lit;
    }
    room.roster.push_back(VigilWire::Candle{seat.heroName, seat.avatar, seat.vocation, candle,
                                            seat.seat.pledged, seat.seat.done});
    if (seat.seat.raiderId == mine.raiderId) {
      VigilWire::You you;
      you.candle = candle;
      you.pledged = seat.seat.pledged;
      you.done = seat.seat.done;
      if (result) {
        you.held = seat.seat.held.value_or(false);
        you.reward = seat.seat.reward.value_or(0);
        you.receiptId = WorldBossVigil::receiptID(slot.slot, mine.room);
      }
      room.you = std::move(you);
    }
  }
  room.fireLevel = result ? result->fireLevel : lit;
  room.result = result;
  if (room.phase == "lobby") room.startsInSec = slot.start - now;
  if (room.phase != "resolved") room.endsInSec = std::max<std::int64_t>(0, slot.sessionEnd - now);
  for (const vigils::Cry& cry : view.cries) {
    room.cries.push_back(VigilWire::CryEvent{cry.heroName, cry.key, static_cast<double>(cry.at)});
  }
  return room;
}

// The caller's seat in the call's slot; answers 404 when there is none.
std::optional<vigils::Seat> seatOf(Storage& storage, const VigilCall& call, Response& response) {
  std::optional<vigils::Seat> seat = vigils::seat(storage, call.slot.slot, call.raider.id);
  if (!seat) sendError(response, 404, "not_in_room");
  return seat;
}

// A write of the caller to their own seat (a beat, a done count, a cry): refused with 503
// "locked" once the slot has closed at `now`.
struct SeatWrite {
  VigilCall call;
  vigils::Seat seat;
};

std::optional<SeatWrite> seatWrite(Storage& storage, const Request& request, Response& response,
                                   std::int64_t now) {
  std::optional<VigilCall> call = vigilCall(storage, request, response, false);
  if (!call) return std::nullopt;
  std::optional<vigils::Seat> seat = seatOf(storage, *call, response);
  if (!seat) return std::nullopt;
  if (now >= call->slot.close) {
    sendError(response, 503, "locked");
    return std::nullopt;
  }
  return SeatWrite{std::move(*call), std::move(*seat)};
}

}  // namespace

VigilRoutes::VigilRoutes(Storage& storage, Clock now) : storage_(storage), now_(std::move(now)) {}

void VigilRoutes::mount(httplib::Server& server) const {
  server.Post("/api/vigil/join",
              [this](const Request& request, Response& response) { join(request, response); });
  server.Get("/api/vigil/room",
             [this](const Request& request, Response& response) { room(request, response); });
  server.Post("/api/vigil/beat",
              [this](const Request& request, Response& response) { beat(request, response); });
  server.Post("/api/vigil/done",
              [this](const Request& request, Response& response) { done(request, response); });
  server.Post("/api/vigil/cry",
              [this](const Request& request, Response& response) { cry(request, response); });
}

void VigilRoutes::join(const Request& request, Response& response) const {
  const std::optional<VigilCall> call = vigilCall(storage_, request, response, false);
  if (!call) return;
  const std::int64_t now = now_();
  std::int64_t pledged = 0;
  if (call->body.contains("pledged")) {
    const json& value = call->body["pledged"];
    if (!value.is_number_integer()) return sendError(response, 400, "invalid_pledged");
    pledged = std::clamp<std::int64_t>(value.get<std::int64_t>(), 0, WorldBossVigil::maxPledged);
  }
  std::optional<vigils::Seat> seat = vigils::seat(storage_, call->slot.slot, call->raider.id);
  if (!seat) {
    const std::int64_t lobbyOpens = call->slot.start - WorldBossVigil::lobbyLeadMinutes * 60;
    if (now < lobbyOpens || now >= call->slot.start) return sendError(response, 409, "locked");
    seat = vigils::join(storage_, call->slot.slot, call->raider.id, pledged);
  }
  sendRecord(response, 200, Json(roomRecord(storage_, call->slot, *seat, now)));
}

void VigilRoutes::room(const Request& request, Response& response) const {
  const std::optional<VigilCall> call = vigilCall(storage_, request, response, true);
  if (!call) return;
  const std::optional<vigils::Seat> seat = seatOf(storage_, *call, response);
  if (!seat) return;
  sendRecord(response, 200, Json(roomRecord(storage_, call->slot, *seat, now_())));
}

void VigilRoutes::beat(const Request& request, Response& response) const {
  const std::int64_t now = now_();
  const std::optional<SeatWrite> write = seatWrite(storage_, request, response, now);
  if (!write) return;
  const VigilCall& call = write->call;
  if (now < call.slot.start) return sendError(response, 409, "locked");
  const std::int64_t window = vigil::windowAt(call.slot.start, now);
  vigils::beat(storage_, call.slot.slot, call.raider.id, window);
  sendJson(response, 200, {{"window", window}});
}

void VigilRoutes::done(const Request& request, Response& response) const {
  const std::optional<SeatWrite> write = seatWrite(storage_, request, response, now_());
  if (!write) return;
  const VigilCall& call = write->call;
  const vigils::Seat& seat = write->seat;
  const json& value = call.body.contains("done") ? call.body["done"] : json();
  if (!value.is_number_integer()) return sendError(response, 400, "invalid_done");
  const std::int64_t done = std::clamp<std::int64_t>(value.get<std::int64_t>(), 0, seat.pledged);
  vigils::setDone(storage_, call.slot.slot, call.raider.id, done);
  sendJson(response, 200, {{"done", done}});
}

void VigilRoutes::cry(const Request& request, Response& response) const {
  const std::int64_t now = now_();
  const std::optional<SeatWrite> write = seatWrite(storage_, request, response, now);
  if (!write) return;
  const VigilCall& call = write->call;
  const vigils::Seat& seat = write->seat;
  const json& key = call.body.contains("key") ? call.body["key"] : json();
  if (!key.is_string() || !WorldBossVigil::cry(key.get_ref<const std::string&>())) {
    return sendError(response, 400, "unknown_cry");
  }
  if (!vigils::cry(storage_, seat, key.get<std::string>(), now,
                   WorldBossVigil::cryMinIntervalSeconds, WorldBossVigil::cryMaxPerSession)) {
    return sendError(response, 429, "rate_limited");
  }
  sendJson(response, 200, {{"key", key}});
}

}  // namespace talewick::server
