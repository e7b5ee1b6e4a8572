#include "services/vigil/vigil_service.hpp"

#include <algorithm>
#include <cmath>

#include "services/backend/mapped_call.hpp"
#include "services/worldboss/world_boss_credit.hpp"
#include "services/worldboss/world_boss_service.hpp"
#include "together/world_boss_vigil.hpp"

namespace talewick::together {
namespace {

namespace Vigil = WorldBossVigil;
using VigilWire::Err;
using Kind = VigilStage::Kind;

constexpr Kind kinds[] = {Kind::idle, Kind::arming, Kind::lobby, Kind::burning, Kind::resolved};

Err errWithKind(Err::Kind kind) {
  Err err;
  err.kind = kind;
  return err;
}

std::string messageOf(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return VigilWire::description(Err::server("?"));
  }
}

// A 404 to a done report or a cry: this backend does not take them for this session.
bool isUnavailable(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const VigilFailure& f) {
    return f.err.kind == Err::Kind::server && f.err.message == "HTTP 404";
  } catch (...) {
    return false;
  }
}

std::string cryId(const VigilWire::CryEvent& cry) {
  return cry.heroName + "\n" + cry.key + "\n" + std::to_string(cry.at);
}

}  // namespace

const char* stageName(Kind kind) {
  switch (kind) {
    case Kind::idle:
      return "idle";
    case Kind::arming:
      return "arming";
    case Kind::lobby:
      return "lobby";
    case Kind::burning:
      return "burning";
    case Kind::resolved:
      return "resolved";
  }
  return "idle";
}

VigilService::VigilService(backend::BackendConnection& backend, HttpClient& http,
                           Preferences& preferences, SecretsStore& secrets, HeroStore& hero,
                           RunLoop& loop, TickTimer& timer, Clock clock)
    : backend_(backend),
      http_(http),
      preferences_(preferences),
      secrets_(secrets),
      hero_(hero),
      loop_(loop),
      timer_(timer),
      clock_(std::move(clock)) {}

bool VigilService::isEnlisted() const {
  const std::optional<std::string> key = secrets_.get(WorldBossService::API_KEY_ITEM);
  return key && !key->empty();
}

int64_t VigilService::intAt(const std::string& key, int64_t fallback) const {
  const std::optional<Json> value = preferences_.value(key);
  return value && value->is_number_integer() ? value->get<int64_t>() : fallback;
}

VigilStage VigilService::stage() const {
  const std::optional<std::string> slot = preferences_.string(SESSION_SLOT_KEY);
  const std::optional<std::string> name = preferences_.string(SESSION_STAGE_KEY);
  if (!slot || !name || !Vigil::slotStart(*slot)) return {};
  for (Kind kind : kinds) {
    if (*name == stageName(kind) && kind != Kind::idle) return {kind, *slot};
  }
  return {};
}

void VigilService::setStage(VigilStage stage) {
  try {
    if (stage.kind == Kind::idle) {
      preferences_.remove(SESSION_SLOT_KEY);
      preferences_.remove(SESSION_STAGE_KEY);
    } else {
      preferences_.set(SESSION_SLOT_KEY, stage.slot);
      preferences_.set(SESSION_STAGE_KEY, stageName(stage.kind));
    }
  } catch (const std::exception& e) {
    lastError_ = e.what();
  }
}

std::vector<bool> VigilService::doneChecks() const {
  const VigilStage current = stage();
  std::vector<bool> checks;
  if (current.kind == Kind::idle) return checks;
  const std::optional<Json> stored = preferences_.value(DONE_CHECKS_PREFIX + current.slot);
  if (stored && stored->is_array()) {
    for (const Json& item : *stored) checks.push_back(item.is_boolean() && item.get<bool>());
  }
  return checks;
}

std::optional<Date> VigilService::cryCooldownUntil() const {
  const std::optional<Json> value = preferences_.value(CRY_COOLDOWN_KEY);
  if (!value || !value->is_number()) return std::nullopt;
  return Date::fromUnix(value->get<double>());
}

std::string VigilService::pledgeSlot() const { return Vigil::nextSlot(clock_()); }

void VigilService::send(Call call, std::function<void(backend::Outcome<std::string>)> done) {
  backend::credentialedCall<VigilFailure, Err>(
      backend_, secrets_, http_, loop_, QUEUE,
      {std::move(call.method), std::move(call.path), std::move(call.body), false, CALL_TIMEOUT},
      secrets_.get(WorldBossService::API_KEY_ITEM), Err::Kind::notEnlisted,
      [](std::string_view answer, int64_t status) { return VigilWire::error(answer, status); },
      std::move(done));
}

void VigilService::fail(const std::exception_ptr& failure) { lastError_ = messageOf(failure); }

void VigilService::fetchRoom(const std::string& slot,
                             std::function<void(std::optional<VigilWire::Room>)> done) {
  send({"GET", "api/vigil/room?slot=" + slot, std::nullopt},
       [this, done = std::move(done)](backend::Outcome<std::string> answer) {
         if (!answer.ok()) {
           fail(answer.failure);
           return done(std::nullopt);
         }
         try {
           const Json object = Json::parse(*answer.value, nullptr, false);
           if (!object.is_object()) throw std::runtime_error("not an object");
           VigilWire::Room room = object.get<VigilWire::Room>();
           applyRoom(room);
           done(std::move(room));
         } catch (const std::exception&) {
           lastError_ = VigilWire::description(Err::server("réponse illisible"));
           done(std::nullopt);
         }
       });
}

void VigilService::applyRoom(const VigilWire::Room& room) {
  room_ = room;
  lastError_.reset();
  ingestCries(room.cries);
}

void VigilService::ingestCries(const std::vector<VigilWire::CryEvent>& cries) {
  const Date now = clock_();
  std::erase_if(cryToasts_,
                [now](const CryToast& t) { return now - t.receivedAt > TOAST_SECONDS; });
  for (const VigilWire::CryEvent& cry : cries) {
    const std::string id = cryId(cry);
    if (!seenCries_.insert(id).second) continue;
    cryToasts_.push_back({id, cry.heroName, cry.key, now});
  }
}

std::optional<CryToast> VigilService::activeToast(const std::string& heroName, Date now) const {
  std::optional<CryToast> newest;
  for (const CryToast& toast : cryToasts_) {
    if (toast.heroName != heroName || now - toast.receivedAt > TOAST_SECONDS) continue;
    if (!newest || newest->receivedAt <= toast.receivedAt) newest = toast;
  }
  return newest;
}

void VigilService::joinNext(std::function<void()> settled) {
  if (!settled) settled = [] {};
  if (!isEnlisted()) {
    lastError_ = VigilWire::description(errWithKind(Err::Kind::notEnlisted));
    return settled();
  }
  const std::string slot = Vigil::nextSlot(clock_());
  // The pledge is kept under its slot at once: the driving process joins with it if this one
  // only arms.
  try {
    preferences_.set(PLEDGE_LINES_PREFIX + slot, Json(pledgeLines_));
    preferences_.set(PLEDGE_COUNT_PREFIX + slot, VigilWire::pledgeCount(pledgeLines_));
  } catch (const std::exception& e) {
    lastError_ = e.what();
    return settled();
  }
  if (clock_() < *Vigil::lobbyOpens(slot)) {
    setStage({Kind::arming, slot});
    scheduleNext();
    return settled();
  }
  attemptJoin(slot, std::move(settled));
}

void VigilService::attemptJoin(const std::string& slot, std::function<void()> settled) {
  setStage({Kind::arming, slot});
  const int64_t pledged = intAt(PLEDGE_COUNT_PREFIX + slot, 0);
  send({"POST", "api/vigil/join", VigilWire::joinBody(slot, pledged)},
       [this, slot, settled = std::move(settled)](backend::Outcome<std::string> answer) {
         if (!answer.ok()) {
           fail(answer.failure);
           scheduleTick(JOIN_RETRY);
           return settled();
         }
         lastError_.reset();
         setStage({Kind::lobby, slot});
         fetchRoom(slot, [this, settled](std::optional<VigilWire::Room> room) {
           if (room && room->phase == "burning") enterBurning(room->slot);
           scheduleNext();
           settled();
         });
       });
}

void VigilService::enterBurning(const std::string& slot) {
  sessionPledgeLines_ = preferences_.stringList(PLEDGE_LINES_PREFIX + slot);
  pledgedSnapshot_ = intAt(PLEDGE_COUNT_PREFIX + slot, 0);
  setStage({Kind::burning, slot});
}

void VigilService::refreshRoom(std::function<void()> settled) {
  if (!settled) settled = [] {};
  const VigilStage current = stage();
  if (current.kind == Kind::idle) return settled();
  fetchRoom(current.slot, [settled](std::optional<VigilWire::Room>) { settled(); });
}

void VigilService::restoreActiveSession(std::function<void()> settled) {
  if (!settled) settled = [] {};
  if (!isEnlisted()) return settled();
  const Date now = clock_();
  const VigilStage stored = stage();
  if (stored.kind == Kind::arming && now < *Vigil::slotClose(stored.slot)) {
    scheduleNext();
    return settled();
  }
  // The session in the preferences when it is not over, else the slot under way.
  const std::string slot = stored.kind != Kind::idle && now < *Vigil::slotClose(stored.slot)
                               ? stored.slot
                               : Vigil::slot(now);
  fetchRoom(slot, [this, slot, settled](std::optional<VigilWire::Room> room) {
    if (!room || !room->you) {
      if (stage().slot == slot) setStage({});
      return settled();
    }
    if (room->phase == "lobby") setStage({Kind::lobby, slot});
    if (room->phase == "burning") enterBurning(slot);
    if (room->phase == "resolved") {
      setStage({Kind::resolved, slot});
      creditReward();
    }
    scheduleNext();
    settled();
  });
}

void VigilService::tick(std::function<void()> settled) {
  if (!settled) settled = [] {};
  const VigilStage current = stage();
  const Date now = clock_();
  switch (current.kind) {
    case Kind::idle:
      return settled();
    case Kind::arming:
      if (now >= *Vigil::slotClose(current.slot)) {
        setStage({});
        return settled();
      }
      if (now < *Vigil::lobbyOpens(current.slot)) {
        scheduleNext();
        return settled();
      }
      return attemptJoin(current.slot, std::move(settled));
    case Kind::lobby:
      return fetchRoom(current.slot,
                       [this, slot = current.slot, settled](std::optional<VigilWire::Room> room) {
                         if (room && room->phase == "burning") enterBurning(slot);
                         if (room && room->phase == "resolved") {
                           setStage({Kind::resolved, slot});
                           creditReward();
                         }
                         scheduleNext();
                         settled();
                       });
    case Kind::burning:
      return tickBurning(current.slot, std::move(settled));
    case Kind::resolved:
      if (now - *Vigil::slotClose(current.slot) > RESOLUTION_WAIT) {
        setStage({});
        return settled();
      }
      if (room_ && room_->slot == current.slot && room_->phase == "resolved") {
        creditReward();
        return settled();
      }
      // Closed before the backend resolved it: the reward is read once the room says so.
      return fetchRoom(current.slot, [this, settled](std::optional<VigilWire::Room> room) {
        if (room && room->phase == "resolved") creditReward();
        settled();
      });
  }
}

void VigilService::tickBurning(const std::string& slot, std::function<void()> settled) {
  if (sessionPledgeLines_.empty() && pledgedSnapshot_ == 0) enterBurning(slot);
  const Date now = clock_();
  const bool closing = now >= *Vigil::slotClose(slot);
  auto afterRoom = [this, slot, closing, settled](std::optional<VigilWire::Room> room) {
    if ((room && room->phase == "resolved") || closing) {
      setStage({Kind::resolved, slot});
      creditReward();
    }
    scheduleNext();
    settled();
  };
  auto afterDone = [this, slot, afterRoom] { fetchRoom(slot, afterRoom); };
  const bool beatDue = now < *Vigil::sessionEnd(slot) &&
                       (!lastBeat_ || now - *lastBeat_ >= double(Vigil::beatSeconds));
  if (!beatDue) return flushDone(slot, afterDone);
  lastBeat_ = now;
  send({"POST", "api/vigil/beat", Json{{"slot", slot}}},
       [this, slot, afterDone](backend::Outcome<std::string> answer) {
         if (!answer.ok()) {
           fail(answer.failure);
           lastBeat_.reset();  // beaten again at the next tick
         }
         flushDone(slot, afterDone);
       });
}

void VigilService::flushDone(const std::string& slot, std::function<void()> settled) {
  const std::vector<bool> checks = doneChecks();
  const int64_t pending = std::count(checks.begin(), checks.end(), true);
  const int64_t acked = intAt(DONE_ACKED_PREFIX + slot, 0);
  if (doneUnavailable_ || pending == acked || (doneRetryAt_ && clock_() < *doneRetryAt_)) {
    return settled();
  }
  send({"POST", "api/vigil/done", Json{{"slot", slot}, {"done", pending}}},
       [this, slot, pending, settled](backend::Outcome<std::string> answer) {
         if (answer.ok()) {
           doneRetryAt_.reset();
           try {
             preferences_.set(DONE_ACKED_PREFIX + slot, pending);
           } catch (const std::exception& e) {
             lastError_ = e.what();
           }
         } else if (isUnavailable(answer.failure)) {
           doneUnavailable_ = true;
         } else {
           fail(answer.failure);
           doneRetryAt_ = clock_().adding(DONE_RETRY);
         }
         settled();
       });
}

bool VigilService::toggleDone(std::size_t index, std::function<void()> settled) {
  if (!settled) settled = [] {};
  const VigilStage current = stage();
  if (current.kind == Kind::idle) return false;
  const int64_t pledged = intAt(PLEDGE_COUNT_PREFIX + current.slot, 0);
  if (index >= static_cast<std::size_t>(pledged)) return false;
  std::vector<bool> checks = doneChecks();
  checks.resize(static_cast<std::size_t>(pledged), false);
  checks[index] = !checks[index];
  try {
    preferences_.set(DONE_CHECKS_PREFIX + current.slot, Json(checks));
  } catch (const std::exception& e) {
    lastError_ = e.what();
    return false;
  }
  doneRetryAt_.reset();
  flushDone(current.slot, std::move(settled));
  return true;
}

bool VigilService::canCry() const {
  const VigilStage current = stage();
  if (current.kind == Kind::idle || criesUnavailable_) return false;
  if (intAt(CRIES_SENT_PREFIX + current.slot, 0) >= Vigil::cryMaxPerSession) return false;
  const std::optional<Date> cooldown = cryCooldownUntil();
  return !cooldown || clock_() >= *cooldown;
}

bool VigilService::sendCry(const std::string& key, std::function<void(bool)> settled) {
  if (!settled) settled = [](bool) {};
  if (!canCry() || !Vigil::cry(key)) return false;
  const std::string slot = stage().slot;
  try {
    preferences_.set(CRIES_SENT_PREFIX + slot, intAt(CRIES_SENT_PREFIX + slot, 0) + 1);
    preferences_.set(CRY_COOLDOWN_KEY,
                     clock_().adding(double(Vigil::cryMinIntervalSeconds)).unix());
  } catch (const std::exception& e) {
    lastError_ = e.what();
    return false;
  }
  send({"POST", "api/vigil/cry", Json{{"slot", slot}, {"key", key}}},
       [this, settled](backend::Outcome<std::string> answer) {
         if (!answer.ok()) {
           if (isUnavailable(answer.failure)) criesUnavailable_ = true;
           fail(answer.failure);
         }
         settled(answer.ok());
       });
  return true;
}

void VigilService::creditReward() {
  lastRewardPaid_ = 0;
  if (!room_ || !room_->you) return;
  const VigilWire::You& you = *room_->you;
  const std::string receipt = you.receiptId.value_or("");
  const int64_t reward = you.reward.value_or(0);
  if (!you.held.value_or(false) || reward <= 0 || receipt.empty()) return;
  if (preferences_.string(CREDITED_KEY) == receipt) return;
  try {
    if (creditWorldBossReward(hero_, receipt, reward, false)) lastRewardPaid_ = reward;
    preferences_.set(CREDITED_KEY, receipt);
  } catch (const std::exception& e) {
    lastError_ = e.what();
  }
}

void VigilService::scheduleNext() {
  const VigilStage current = stage();
  if (current.kind == Kind::idle || current.kind == Kind::resolved) {
    tickPending_ = false;
    return timer_.cancel();
  }
  const Date now = clock_();
  double delay = 0;
  switch (current.kind) {
    case Kind::arming:
      delay = std::min(ARMING_RECHECK, *Vigil::lobbyOpens(current.slot) - now);
      break;
    case Kind::lobby: {
      // Past the start, the backend may take a moment to light the room.
      const double toStart = *Vigil::slotStart(std::string_view(current.slot)) - now;
      delay = toStart > 0 ? std::min(BURNING_LOOK, toStart) : 5;
      break;
    }
    case Kind::burning: {
      const double toEnd = *Vigil::sessionEnd(current.slot) - now;
      const double toClose = *Vigil::slotClose(current.slot) - now;
      if (toEnd > 0) {
        delay = std::min(BURNING_LOOK, toEnd);
      } else if (toClose > 30) {
        delay = std::min(30.0, toClose - 30);  // waiting for the server's resolution
      } else {
        delay = std::min(5.0, toClose);  // around the close
      }
      break;
    }
    default:
      break;
  }
  if (doneRetryAt_) delay = std::min(delay, *doneRetryAt_ - now);
  scheduleTick(std::max(1.0, delay));
}

void VigilService::scheduleTick(double seconds) {
  tickPending_ = true;
  timer_.schedule(seconds, [this] {
    tickPending_ = false;
    tick();
  });
}

void VigilService::leave() {
  timer_.cancel();
  tickPending_ = false;
  const VigilStage current = stage();
  if (current.kind != Kind::idle) {
    for (const char* prefix : {PLEDGE_LINES_PREFIX, PLEDGE_COUNT_PREFIX, DONE_CHECKS_PREFIX,
                               DONE_ACKED_PREFIX, CRIES_SENT_PREFIX}) {
      try {
        preferences_.remove(prefix + current.slot);
      } catch (const std::exception&) {
      }
    }
  }
  setStage({});
  room_.reset();
  sessionPledgeLines_.clear();
  pledgedSnapshot_ = 0;
  cryToasts_.clear();
  seenCries_.clear();
  lastBeat_.reset();
  doneRetryAt_.reset();
  doneUnavailable_ = false;
  criesUnavailable_ = false;
}

}  // namespace talewick::together
