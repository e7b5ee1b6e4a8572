#include "core/hero_store.hpp"

#include <asio/post.hpp>
#include <chrono>

#include "core/atomic_file.hpp"
#include "game/achievements.hpp"
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

// Runs on the cloud queue: the cloud keeps whatever either side has better.
void mergeAndWrite(const HeroSyncPayload& local, KeyValueCloudStore& cloud) {
  const std::optional<HeroSyncPayload> stored = decodeDocument(cloud.data(HeroStore::CLOUD_KEY));
  const HeroSyncPayload merged = stored ? HeroSync::mergedForCloud(local, *stored) : local;
  try {
    cloud.setData(HeroStore::CLOUD_KEY, encodeDocument(merged));
    cloud.synchronize();
  } catch (const std::system_error&) {
    // The next change writes again; the local file holds the progress meanwhile.
  }
}

}  // namespace

HeroStore::HeroStore(std::filesystem::path file, KeyValueCloudStore& cloud, asio::io_context& main,
                     SerialQueue& cloudQueue)
    : file_(std::move(file)),
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
  payload_ = decodeDocument(files::read(file_));
  adoptCloudIfBetter();
  reseedCloudIfLocalBetter();
  if (!payload_) {
    payload_ = HeroSyncPayload::makeDefault();
    persistQuietly();
  }
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

void HeroStore::persistQuietly() {
  try {
    persistLocalOnly();
  } catch (const std::system_error&) {
    // Written again at the next change.
  }
}

void HeroStore::persistLocalOnly() {
  if (!payload_) return;
  files::writeAtomically(file_, encodeDocument(*payload_),
                         std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

void HeroStore::writeMergedToCloud(const HeroSyncPayload& payload) {
  KeyValueCloudStore& cloud = cloud_;
  cloudQueue_.async([payload, &cloud] { mergeAndWrite(payload, cloud); });
}

void HeroStore::commit(HeroSyncPayload payload) {
  publish(std::move(payload));
  persistQuietly();
  writeMergedToCloud(*payload_);
}

void HeroStore::replacePayload(HeroSyncPayload payload) { publish(std::move(payload)); }

bool HeroStore::adoptCloudIfBetter() {
  std::optional<HeroSyncPayload> cloud = readCloud();
  if (!cloud) return false;
  if (!payload_) {
    publish(std::move(*cloud));
    persistQuietly();
    return true;
  }
  std::optional<HeroSyncPayload> merged = HeroSync::adopted(*payload_, *cloud);
  if (!merged) return false;
  publish(std::move(*merged));
  persistQuietly();
  return true;
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
  adoptCloudIfBetter();
  if (!payload_) return;
  HeroSyncPayload next = *payload_;
  next.name = trimmed;
  next.identityVersion += 1;
  next.cosmeticsVersion += 1;
  commit(std::move(next));
}

void HeroStore::setIdentity(const std::string& name, std::optional<std::string> pronoun,
                            VocationRole vocation, RPGMode mode) {
  if (!payload_) return;
  HeroSyncPayload next = *payload_;
  if (const std::string trimmed(text::trim(name)); !trimmed.empty()) next.name = trimmed;
  next.pronoun = std::move(pronoun);
  const VocationDisplay display = Vocations::display(vocation, mode);
  next.vocation = std::string(rawValue(vocation));
  next.vocationName = display.name;
  next.vocationEmoji = display.emoji;
  next.identityVersion += 1;
  next.cosmeticsVersion += 1;
  commit(std::move(next));
}

void HeroStore::setEquippedTitle(std::optional<std::string> titleID) {
  if (!payload_) return;
  HeroSyncPayload next = *payload_;
  next.equippedTitleID = std::move(titleID);
  next.cosmeticsVersion += 1;
  commit(std::move(next));
}

void HeroStore::setTagline(const std::string& text) {
  if (!payload_) return;
  HeroSyncPayload next = *payload_;
  std::string trimmed(text::trim(text));
  next.tagline = trimmed.empty() ? std::nullopt : std::optional(std::move(trimmed));
  next.cosmeticsVersion += 1;
  commit(std::move(next));
}

HeroSync::Credit HeroStore::applyReward(RewardKind kind, const std::string& receipt, int64_t xp,
                                        int64_t gold, bool unlockWorldBossTitle) {
  using HeroSync::Credit;
  // A credit worth nothing is no credit (the world boss passes no experience; a cosmetic unlock
  // has no amounts at all).
  if (kind != RewardKind::cosmetic && xp < 1 && gold < 1) return Credit::refused;
  adoptCloudIfBetter();
  if (!payload_) return Credit::refused;
  HeroSyncPayload next = *payload_;
  switch (HeroSync::credit(next, kind, receipt, xp, gold)) {
    case Credit::refused:
      return Credit::refused;
    case Credit::alreadyCredited:
      persistQuietly();
      writeMergedToCloud(*payload_);
      return Credit::alreadyCredited;
    case Credit::credited:
      break;
  }
  if (unlockWorldBossTitle) {
    const std::string deed(Achievements::worldBossDeedID);
    auto& titles = next.unlockedTitleIDs;
    if (std::find(titles.begin(), titles.end(), deed) == titles.end()) titles.push_back(deed);
  }
  commit(std::move(next));
  return Credit::credited;
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
