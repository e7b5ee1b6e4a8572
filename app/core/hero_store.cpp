#include "core/hero_store.hpp"

#include <asio/post.hpp>
#include <chrono>

#include "core/file_port.hpp"
#include "game/achievements.hpp"
#include "game/hero_document.hpp"
#include "support/text.hpp"

namespace talewick {

namespace {

std::optional<HeroSyncPayload> decodeDocument(const std::optional<std::string>& bytes) {
  if (!bytes) return std::nullopt;
  try {
    return decodeJsonText<HeroSyncPayload>(*bytes);
  } catch (const DecodeError&) {
    return std::nullopt;
  }
}

// Invalid UTF-8 in a text field is replaced rather than allowed to make the document unwritable.
std::string encodeDocument(const HeroSyncPayload& payload) {
  return json_coding::encode(payload).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

// Runs on the cloud queue: the cloud keeps whatever either side has better. Throws FileError.
void mergeAndWrite(const HeroSyncPayload& local, KeyValueCloudStore& cloud) {
  mergeIntoCloud(cloud, HeroStore::CLOUD_KEY,
                 [&](const std::optional<std::string>& bytes) -> std::optional<std::string> {
                   const std::optional<HeroSyncPayload> stored = decodeDocument(bytes);
                   return encodeDocument(stored ? HeroSync::mergedForCloud(local, *stored) : local);
                 });
  cloud.synchronize();
}

}  // namespace

HeroStore::HeroStore(FilePort& files, std::filesystem::path file, KeyValueCloudStore& cloud,
                     asio::io_context& main, SerialQueue& cloudQueue, std::ostream& diagnostics)
    : files_(files),
      file_(files, std::move(file), diagnostics),
      diagnostics_(diagnostics),
      cloud_(cloud),
      main_(main),
      cloudQueue_(cloudQueue),
      secondPass_(main) {}

HeroStore::~HeroStore() {
  alive_.reset();
  secondPass_.cancel();
  if (cloudToken_ != 0) cloud_.unobserve(cloudToken_);
  cloudQueue_.waitUntilIdle();
}

void HeroStore::start() {
  // A first start (or a file that could not be taken): the cloud's hero, else a new one, held
  // even when it cannot be saved, so that there is a hero to show. The first save is made under
  // the lock like every other: another process may be making the file at this very moment.
  payload_ = file_.load<HeroSyncPayload>();
  if (!payload_) publish(readCloud().value_or(HeroSyncPayload::makeDefault()));
  adoptCloudIfBetter();
  reseedCloudIfLocalBetter();
  std::weak_ptr<bool> alive = alive_;
  cloudToken_ = cloud_.observeExternalChanges([this, alive](const std::vector<std::string>& keys) {
    if (!keys.empty() && std::find(keys.begin(), keys.end(), CLOUD_KEY) == keys.end()) return;
    asio::post(main_, [this, alive] {
      if (alive.lock()) adoptCloudIfBetter();
    });
  });
  cloud_.synchronize();
  secondPass_.expires_after(std::chrono::seconds(4));
  // Cancelled or not, the second pass runs, unless the store is gone.
  secondPass_.async_wait([this, alive](const std::error_code&) {
    if (!alive.lock()) return;
    adoptCloudIfBetter();
    reseedCloudIfLocalBetter();
  });
}

std::optional<LevelInfo> HeroStore::level() const {
  if (!payload_) return std::nullopt;
  return Xp::levelFromTotalXp(payload_->totalXp);
}

int HeroStore::observe(std::function<void(const HeroSyncPayload&)> observer) {
  return observers_.add(std::move(observer));
}

void HeroStore::unobserve(int token) { observers_.remove(token); }

std::optional<HeroSyncPayload> HeroStore::readCloud() const {
  return decodeDocument(cloud_.data(CLOUD_KEY));
}

void HeroStore::publish(HeroSyncPayload payload) {
  payload_ = std::move(payload);
  observers_.notify(*payload_);
}

void HeroStore::report(const std::string& line) const {
  // Called from the cloud queue too. A problem that lasts (a read-only folder) is said once, not
  // at every change.
  std::lock_guard lock(reportMutex_);
  if (line == lastReport_) return;
  lastReport_ = line;
  diagnostics_ << "talewick : " << line << '\n';
}

void HeroStore::writeMergedToCloud(const HeroSyncPayload& payload) {
  KeyValueCloudStore& cloud = cloud_;
  cloudQueue_.async([this, payload, &cloud] {
    try {
      mergeAndWrite(payload, cloud);
    } catch (const std::system_error& e) {
      // The local file holds the progress; the next change writes to the cloud again.
      report(e.what());
    }
  });
}

bool HeroStore::update(const std::function<bool(HeroSyncPayload&)>& change) {
  if (!payload_) return false;
  std::unique_ptr<FilePort::Lock> lock;
  try {
    lock = files_.lock(file_.path().string() + ".lock");
  } catch (const FileError& e) {
    // The lock lives beside the document: the user needs to hear about the document.
    throw FileError(FileAction::write, file_.path(), e.code());
  }
  HeroSyncPayload next = *payload_;
  // Another process of this machine (a command while the daemon runs) may have saved since we
  // last looked: its change is taken in, so that ours raises the versions past it.
  const std::optional<HeroSyncPayload> onDisk = file_.load<HeroSyncPayload>();
  // Its own cloud write may have lost a race with ours (each merges what it read, and the later
  // write wins): the file's news goes to the cloud again, merged with what the cloud holds then.
  bool fileHadNews = false;
  if (onDisk) {
    if (auto merged = HeroSync::adopted(next, *onDisk)) {
      next = std::move(*merged);
      fileHadNews = true;
    }
  }
  if (const std::optional<HeroSyncPayload> cloud = readCloud()) {
    if (auto merged = HeroSync::adopted(next, *cloud)) next = std::move(*merged);
  }
  const bool toCloud = change(next) || fileHadNews;
  const bool changed = next != *payload_;
  // A missing file (a first start, a damaged one set aside) is made even when nothing changed.
  if (changed || onDisk != next) file_.writeBytes(encodeDocument(next));
  lock.reset();
  if (changed) publish(std::move(next));
  if (toCloud) writeMergedToCloud(*payload_);
  return changed;
}

bool HeroStore::adoptCloudIfBetter() {
  try {
    return update([](HeroSyncPayload&) { return false; });
  } catch (const FileError& e) {
    report(e.what());
    return false;
  }
}

bool HeroStore::reseedCloudIfLocalBetter() {
  if (!payload_ || payload_->totalXp <= 0) return false;
  const std::optional<HeroSyncPayload> cloud = readCloud();
  const int64_t cloudXp = cloud ? cloud->totalXp : -1;
  if (cloudXp >= payload_->totalXp) return false;
  writeMergedToCloud(*payload_);
  return true;
}

void HeroStore::setName(const std::string& name) {
  const std::string trimmed(text::trim(name));
  if (trimmed.empty()) return;
  update([&](HeroSyncPayload& next) {
    next.name = trimmed;
    next.identityVersion += 1;
    next.cosmeticsVersion += 1;
    return true;
  });
}

namespace {

// The vocation fields of the identity: the role and how `mode` presents it.
void showVocation(HeroSyncPayload& doc, VocationRole vocation, RPGMode mode) {
  const VocationDisplay display = Vocations::display(vocation, mode);
  doc.vocation = std::string(rawValue(vocation));
  doc.vocationName = display.name;
  doc.vocationEmoji = display.emoji;
  doc.identityVersion += 1;
  doc.cosmeticsVersion += 1;
}

}  // namespace

void HeroStore::setIdentity(const std::string& name, std::optional<std::string> pronoun,
                            VocationRole vocation, RPGMode mode) {
  update([&](HeroSyncPayload& next) {
    if (const std::string trimmed(text::trim(name)); !trimmed.empty()) next.name = trimmed;
    next.pronoun = pronoun;
    showVocation(next, vocation, mode);
    return true;
  });
}

std::optional<Vocations::ChangeError> HeroStore::chooseVocation(const std::string& toId,
                                                                RPGMode mode) {
  std::optional<Vocations::ChangeError> refusal;
  update([&](HeroSyncPayload& next) {
    const Hero hero = HeroDocument::heroOf(next);
    Vocations::ChangeResult changed =
        Vocations::changeVocation(hero, toId, Vocations::choiceCost(hero));
    if (const auto* error = std::get_if<Vocations::ChangeError>(&changed)) {
      refusal = *error;
      return false;
    }
    refusal.reset();
    HeroDocument::store(next, std::get<Hero>(changed));
    showVocation(next, *Vocations::role(toId), mode);
    return true;
  });
  return refusal;
}

void HeroStore::setEquippedTitle(std::optional<std::string> titleID) {
  update([&](HeroSyncPayload& next) {
    next.equippedTitleID = titleID;
    next.cosmeticsVersion += 1;
    return true;
  });
}

void HeroStore::setTagline(const std::string& text) {
  std::string trimmed(text::trim(text));
  update([&](HeroSyncPayload& next) {
    next.tagline = trimmed.empty() ? std::nullopt : std::optional(trimmed);
    next.cosmeticsVersion += 1;
    return true;
  });
}

HeroSync::Credit HeroStore::applyReward(RewardKind kind, const std::string& receipt, int64_t xp,
                                        int64_t gold, bool unlockWorldBossTitle) {
  using HeroSync::Credit;
  // A credit worth nothing is no credit (the world boss passes no experience; a cosmetic unlock
  // has no amounts at all).
  if (kind != RewardKind::cosmetic && xp < 1 && gold < 1) return Credit::refused;
  if (!payload_) return Credit::refused;
  Credit result = Credit::refused;
  const auto credit = [&](HeroSyncPayload& next) {
    result = HeroSync::credit(next, kind, receipt, xp, gold);
    // Paid before (here or elsewhere): the cloud hears of it again, in case it never did.
    if (result == Credit::alreadyCredited) return true;
    if (result == Credit::refused) return false;
    if (unlockWorldBossTitle) {
      const std::string deed(Achievements::worldBossDeedID);
      auto& titles = next.unlockedTitleIDs;
      if (std::find(titles.begin(), titles.end(), deed) == titles.end()) titles.push_back(deed);
    }
    return true;
  };
  update(credit);
  return result;
}

std::optional<std::filesystem::path> HeroStore::damagedCopy() const {
  std::filesystem::path copy = file_.path();
  copy += ".damaged";
  if (!files_.read(copy)) return std::nullopt;
  return copy;
}

HeroSync::Credit HeroStore::changeHero(
    const std::vector<std::string>& receipts,
    const std::function<std::optional<Hero>(const Hero&)>& change) {
  using HeroSync::Credit;
  if (!payload_) return Credit::refused;
  Credit result = Credit::refused;
  update([&](HeroSyncPayload& next) {
    result = Credit::refused;
    std::vector<std::string>& list = next.receipts(RewardKind::replay);
    for (const std::string& receipt : receipts) {
      if (std::find(list.begin(), list.end(), receipt) != list.end()) {
        result = Credit::alreadyCredited;
        return true;  // the cloud hears of it again, in case it never did
      }
    }
    std::vector<std::string> merged = mergeReceiptList(RewardKind::replay, list, receipts);
    for (const std::string& receipt : receipts) {
      if (std::find(merged.begin(), merged.end(), receipt) == merged.end()) return false;
    }
    std::optional<Hero> changed = change(HeroDocument::heroOf(next));
    if (!changed) return false;
    list = std::move(merged);
    HeroDocument::store(next, *changed);
    result = Credit::credited;
    return true;
  });
  return result;
}

HeroSync::Credit HeroStore::credit(RewardKind kind, const std::string& receipt, int64_t xp,
                                   int64_t gold) {
  return applyReward(kind, receipt, xp, gold);
}

namespace {

bool paid(HeroSync::Credit credit) { return credit != HeroSync::Credit::refused; }

}  // namespace

bool HeroStore::applyExpeditionReward(const std::string& id, ExpeditionReward reward) {
  return paid(applyReward(RewardKind::expedition, id, reward.xp, reward.gold));
}

bool HeroStore::applyWorldQuestReward(const std::string& receiptID, int64_t xp, int64_t gold) {
  return paid(applyReward(RewardKind::worldQuest, receiptID, xp, gold));
}

bool HeroStore::applyCampaignReward(const std::string& receiptID, int64_t xp, int64_t gold) {
  return paid(applyReward(RewardKind::campaign, receiptID, xp, gold));
}

bool HeroStore::applyWeeklyBossReward(const std::string& receiptID, int64_t xp, int64_t gold) {
  return paid(applyReward(RewardKind::weeklyBoss, receiptID, xp, gold));
}

bool HeroStore::applyRestReward(const std::string& receiptID, int64_t xp, int64_t gold) {
  return paid(applyReward(RewardKind::rest, receiptID, xp, gold));
}

bool HeroStore::applyWorldBossReward(const std::string& receiptID, int64_t gold, bool unlockTitle) {
  return paid(applyReward(RewardKind::worldBoss, receiptID, 0, gold, unlockTitle));
}

bool HeroStore::applyCosmeticUnlock(const std::string& receiptID) {
  return paid(applyReward(RewardKind::cosmetic, receiptID, 0, 0));
}

}  // namespace talewick
