// The one hero document of this machine, kept in hero-sync-v1.json and mirrored into the cloud
// store under "hero.v1" so that the user's machines (and the phone) converge on one hero.
//
// Every member runs on the main loop. Cloud writes of the document run on the "hero.kvs-sync"
// serial queue, each on its own copy, in call order.
//
// Every change is made under the file's lock, on the document as the file and the cloud hold it
// at that moment (so that another process's change is never written over), and is saved before
// the store takes it: a change that cannot be saved throws FileError and leaves the store as it
// was. What the store meets on its own (a damaged or unreadable file at start, a cloud write that
// fails, the cloud's news that cannot be saved) goes to the diagnostics stream, once per problem.
//
// Every credit carries a receipt; a receipt already in the document is never paid again, here or
// on another machine that has seen it.
#pragma once

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/cloud_store_port.hpp"
#include "core/file_port.hpp"
#include "core/observers.hpp"
#include "core/run_loop.hpp"
#include "core/state_file.hpp"
#include "game/enums.hpp"
#include "game/hero.hpp"
#include "game/hero_sync.hpp"
#include "game/hero_sync_payload.hpp"
#include "game/xp.hpp"
#include "kingdom/expedition_reward_receipts.hpp"
#include "kingdom/vocations.hpp"

namespace talewick {

class HeroStore {
 public:
  static constexpr const char* CLOUD_KEY = "hero.v1";
  static constexpr const char* FILE_NAME = "hero-sync-v1.json";
  static constexpr const char* CLOUD_QUEUE = "hero.kvs-sync";

  // `file` is the local document, reached through `files`. Nothing is read before start().
  HeroStore(FilePort& files, std::filesystem::path file, KeyValueCloudStore& cloud,
            asio::io_context& main, SerialQueue& cloudQueue, std::ostream& diagnostics = std::cerr);
  // Waits for the queued cloud writes.
  ~HeroStore();
  HeroStore(const HeroStore&) = delete;
  HeroStore& operator=(const HeroStore&) = delete;

  // Loads the file, meets the cloud, falls back to the default document, starts listening to the
  // cloud and arms a second meeting 4 s later on the main loop (for a cloud that arrives late).
  void start();

  // The copy of a damaged document set aside beside the file, while it is kept there: the
  // progress it may hold is not in the document any more, and game changes wait until the user
  // has repaired or removed it. nullopt when there is none.
  std::optional<std::filesystem::path> damagedCopy() const;

  // Absent only before start().
  const std::optional<HeroSyncPayload>& payload() const { return payload_; }
  std::optional<LevelInfo> level() const;

  // `observer` hears every new document, whatever changed it. Returns a token for unobserve().
  int observe(std::function<void(const HeroSyncPayload&)> observer);
  void unobserve(int token);

  // The changes below throw FileError when the document cannot be saved (nothing changed then).

  // Trims white space; an empty name changes nothing. Takes in the cloud first.
  void setName(const std::string& name);
  // Name (trimmed; kept when empty), pronoun and vocation with its name and glyph in `mode`.
  void setIdentity(const std::string& name, std::optional<std::string> pronoun,
                   VocationRole vocation, RPGMode mode);
  // The vocation `toId` names (any id the aliases accept), its name and glyph in `mode`: the first
  // choice free, every change after it for Vocations::changeCost gold, the statistics exchanging
  // the roles' start shifts, in one change of the document. The refusal, with nothing changed.
  std::optional<Vocations::ChangeError> chooseVocation(const std::string& toId, RPGMode mode);
  // nullopt takes the title off.
  void setEquippedTitle(std::optional<std::string> titleID);
  // Trims white space; an empty text takes the tagline off.
  void setTagline(const std::string& text);

  // A credit of `xp` and `gold` under `receipt` in the list of `kind`, and what became of it:
  // paid now, paid before (here or, once the cloud is taken in, elsewhere: nothing is added), or
  // refused (amounts below 1, no document, or a receipt that would fall out of its full list).
  HeroSync::Credit credit(RewardKind kind, const std::string& receipt, int64_t xp, int64_t gold);

  // Credits (they throw like the changes above): false when nothing is paid (amounts below 1, no
  // document, or a receipt that would fall out of its full list at once); true when paid now or
  // already paid before.
  bool applyExpeditionReward(const std::string& id, ExpeditionReward reward);
  bool applyWorldQuestReward(const std::string& receiptID, int64_t xp, int64_t gold);
  bool applyCampaignReward(const std::string& receiptID, int64_t xp, int64_t gold);
  bool applyWeeklyBossReward(const std::string& receiptID, int64_t xp, int64_t gold);
  bool applyRestReward(const std::string& receiptID, int64_t xp, int64_t gold);
  // Gold only; also unlocks the world boss deed's title when `unlockTitle`.
  bool applyWorldBossReward(const std::string& receiptID, int64_t gold, bool unlockTitle);
  bool applyCosmeticUnlock(const std::string& receiptID);

  // A change of the hero's game state (a day replayed, a purchase, an item worn), made on the
  // document as it stands at that moment: `change` gets that hero and returns the next one, or
  // nullopt to change nothing. With receipts (of kind replay: the days replayed) the change is
  // made once: any of them already in the document gives alreadyCredited without calling
  // `change`. Throws like the changes above.
  HeroSync::Credit changeHero(const std::vector<std::string>& receipts,
                              const std::function<std::optional<Hero>(const Hero&)>& change);

  // Queues the merge of `payload` with the cloud's document and its write to the cloud.
  void writeMergedToCloud(const HeroSyncPayload& payload);

  // Takes in what the cloud's document (and the file, when another process wrote it) has better;
  // never writes to the cloud. True when the document changed. A document that cannot be saved
  // is not taken in, and is reported.
  bool adoptCloudIfBetter();
  // Queues a cloud write when this machine has more experience than the cloud. True when queued.
  bool reseedCloudIfLocalBetter();

 private:
  std::optional<HeroSyncPayload> readCloud() const;
  void publish(HeroSyncPayload payload);
  // Under the file's lock: takes in the file and the cloud, lets `change` edit the result, saves
  // and publishes it when it differs. Throws FileError. True when the document changed; the cloud
  // gets the document when `change` returns true.
  bool update(const std::function<bool(HeroSyncPayload&)>& change);
  void report(const std::string& line) const;
  HeroSync::Credit applyReward(RewardKind kind, const std::string& receipt, int64_t xp,
                               int64_t gold, bool unlockWorldBossTitle = false);

  FilePort& files_;
  StateFile file_;
  std::ostream& diagnostics_;
  mutable std::mutex reportMutex_;
  mutable std::string lastReport_;
  KeyValueCloudStore& cloud_;
  asio::io_context& main_;
  SerialQueue& cloudQueue_;
  std::optional<HeroSyncPayload> payload_;
  ObserverList<const HeroSyncPayload&> observers_;
  int cloudToken_ = 0;
  asio::steady_timer secondPass_;
  // Work posted to the main loop holds a weak copy; a released store ends that work.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace talewick
