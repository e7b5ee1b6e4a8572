// The vigil: a hero enlisted in the world boss joins the next 30-minute slot's lobby with up to
// three pledged tasks, keeps a heartbeat while the candle burns, ticks tasks off, sends short
// cries to the room, and is paid once when the candle held.
//
// The session is shared by every process of the user through the preferences: the slot and the
// stage ("vigil.session.slot", "vigil.session.stage"), and per slot the pledge, the done checks,
// the done count the backend acknowledged, the cries sent and the cry cooldown. One process
// drives it with a ticking timer (the daemon: heartbeats, done flushes, room fetches, the reward);
// the others are given a NoTickTimer and only read, join, tick a task, cry or leave — what they
// change, the driver reads back at its next tick. So a session is never beaten twice.
//
// Lives on the main loop; the HTTP exchanges run on the "vigil" serial queue. The bearer key is
// the raider's ("worldboss.apiKey"). Time comes from the injected clock.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/clock.hpp"
#include "core/hero_store.hpp"
#include "core/http_port.hpp"
#include "core/preferences.hpp"
#include "core/run_loop.hpp"
#include "core/secrets_port.hpp"
#include "services/backend/backend_connection.hpp"
#include "services/vigil/tick_timer.hpp"
#include "together/vigil_wire.hpp"

namespace talewick::together {

struct VigilFailure : std::runtime_error {
  explicit VigilFailure(VigilWire::Err e)
      : std::runtime_error(VigilWire::description(e)), err(std::move(e)) {}
  VigilWire::Err err;
};

struct VigilStage {
  enum class Kind { idle, arming, lobby, burning, resolved };
  Kind kind = Kind::idle;
  std::string slot;  // "" when idle
  bool operator==(const VigilStage&) const = default;
};

// The stored name of a stage kind ("idle", "arming", …).
const char* stageName(VigilStage::Kind kind);

struct CryToast {
  std::string id;
  std::string heroName;
  std::string key;
  Date receivedAt;
};

class VigilService {
 public:
  static constexpr const char* SESSION_SLOT_KEY = "vigil.session.slot";
  static constexpr const char* SESSION_STAGE_KEY = "vigil.session.stage";
  static constexpr const char* PLEDGE_LINES_PREFIX = "vigil.pledge.lines.";
  static constexpr const char* PLEDGE_COUNT_PREFIX = "vigil.pledge.count.";
  static constexpr const char* DONE_CHECKS_PREFIX = "vigil.done.checks.";
  static constexpr const char* DONE_ACKED_PREFIX = "vigil.done.acked.";
  static constexpr const char* CRIES_SENT_PREFIX = "vigil.cries.sent.";
  static constexpr const char* CRY_COOLDOWN_KEY = "vigil.cry.cooldownUntil";  // Unix seconds
  static constexpr const char* CREDITED_KEY = "vigil.credited";               // last receipt paid
  static constexpr std::chrono::seconds CALL_TIMEOUT{15};
  static constexpr double ARMING_RECHECK = 20;
  static constexpr double JOIN_RETRY = 15;
  static constexpr double DONE_RETRY = 20;
  static constexpr double BURNING_LOOK = 10;  // how often a burning room is looked at
  static constexpr double TOAST_SECONDS = 4.5;
  // How long after its close a slot's resolution is still awaited for its reward.
  static constexpr double RESOLUTION_WAIT = 3600;
  static constexpr const char* QUEUE = "vigil";

  VigilService(backend::BackendConnection& backend, HttpClient& http, Preferences& preferences,
               SecretsStore& secrets, HeroStore& hero, RunLoop& loop, TickTimer& timer,
               Clock clock);

  bool isEnlisted() const;
  // The session's stage, as the preferences hold it.
  VigilStage stage() const;
  const std::optional<VigilWire::Room>& room() const { return room_; }
  const std::optional<std::string>& lastError() const { return lastError_; }
  const std::vector<std::string>& sessionPledgeLines() const { return sessionPledgeLines_; }
  std::vector<bool> doneChecks() const;
  const std::vector<CryToast>& cryToasts() const { return cryToasts_; }
  std::optional<Date> cryCooldownUntil() const;
  // The gold the last resolution paid here (0 when none).
  int64_t lastRewardPaid() const { return lastRewardPaid_; }
  // The slot a new pledge is for: the next slot after now.
  std::string pledgeSlot() const;

  // The pledge being edited (kept until the join).
  void setPledgeLines(std::vector<std::string> lines) { pledgeLines_ = std::move(lines); }

  // Joins the next slot's lobby, or arms until it opens; `settled` runs once the attempt is over
  // (joined, armed, or failed with lastError set and a retry scheduled).
  void joinNext(std::function<void()> settled = {});
  // Fetches the room of the current slot; a failure keeps the previous room and stage.
  void refreshRoom(std::function<void()> settled = {});
  // At start: resumes the session this user is in, if any.
  void restoreActiveSession(std::function<void()> settled = {});
  // Ticks (or unticks) pledged task `index` and reports the new count; false when out of range
  // or without a session.
  bool toggleDone(std::size_t index, std::function<void()> settled = {});
  bool canCry() const;
  // Sends cry `key`; false (nothing sent) when canCry is false or the key is unknown.
  bool sendCry(const std::string& key, std::function<void(bool sent)> settled = {});
  std::optional<CryToast> activeToast(const std::string& heroName, Date now) const;
  void leave();

  // One step of the session (what the timer runs).
  void tick(std::function<void()> settled = {});
  // Whether this process's timer holds a next tick: it is driving a session.
  bool tickPending() const { return tickPending_; }

 private:
  struct Call {
    std::string method, path;
    std::optional<Json> body;
  };
  void send(Call call, std::function<void(backend::Outcome<std::string>)> done);
  void setStage(VigilStage stage);
  void attemptJoin(const std::string& slot, std::function<void()> settled);
  void fetchRoom(const std::string& slot, std::function<void(std::optional<VigilWire::Room>)> done);
  void applyRoom(const VigilWire::Room& room);
  void enterBurning(const std::string& slot);
  void tickBurning(const std::string& slot, std::function<void()> settled);
  void flushDone(const std::string& slot, std::function<void()> settled);
  void creditReward();
  void ingestCries(const std::vector<VigilWire::CryEvent>& cries);
  void scheduleNext();
  void scheduleTick(double seconds);
  void fail(const std::exception_ptr& failure);
  int64_t intAt(const std::string& key, int64_t fallback) const;

  backend::BackendConnection& backend_;
  HttpClient& http_;
  Preferences& preferences_;
  SecretsStore& secrets_;
  HeroStore& hero_;
  RunLoop& loop_;
  TickTimer& timer_;
  Clock clock_;
  std::optional<VigilWire::Room> room_;
  std::optional<std::string> lastError_;
  std::vector<std::string> pledgeLines_;
  std::vector<std::string> sessionPledgeLines_;
  int64_t pledgedSnapshot_ = 0;
  std::vector<CryToast> cryToasts_;
  std::set<std::string> seenCries_;
  std::optional<Date> lastBeat_;
  std::optional<Date> doneRetryAt_;
  bool doneUnavailable_ = false;
  bool criesUnavailable_ = false;
  int64_t lastRewardPaid_ = 0;
  bool tickPending_ = false;
};

}  // namespace talewick::together
