#include "core/kingdom_weekly_boss_store.hpp"

#include "support/loc.hpp"

namespace talewick {

using WeeklyBoss::Boss;

namespace {

using json_coding::Field;

const auto kEntryFields = std::tuple{Field{"boss", &WeeklyBossChronicleEntry::boss},
                                     Field{"seen", &WeeklyBossChronicleEntry::seen}};
const auto kStateFields = std::tuple{Field{"boss", &KingdomWeeklyBossState::boss},
                                     Field{"chronicle", &KingdomWeeklyBossState::chronicle}};

std::string finalWhat(const Boss& boss) {
  return Loc::format(
      Loc::string("kingdom.weekboss.finalPaid", "Boss de la semaine « %@ » terrassé"),
      {boss.title});
}

}  // namespace

void to_json(Json& j, const WeeklyBossChronicleEntry& v) {
  json_coding::writeFields(j, v, kEntryFields);
}
void from_json(const Json& j, WeeklyBossChronicleEntry& v) {
  json_coding::readFields(j, v, kEntryFields);
}
void to_json(Json& j, const KingdomWeeklyBossState& v) {
  json_coding::writeFields(j, v, kStateFields);
}
void from_json(const Json& j, KingdomWeeklyBossState& v) {
  json_coding::readFields(j, v, kStateFields);
}

KingdomWeeklyBossStore::KingdomWeeklyBossStore(FilePort& files, std::filesystem::path saveURL,
                                               HeroStore& hero, std::ostream& diagnostics)
    : file_(files, std::move(saveURL), diagnostics), hero_(hero), state_(current()) {}

KingdomWeeklyBossState KingdomWeeklyBossStore::current() {
  return file_.load<KingdomWeeklyBossState>().value_or(KingdomWeeklyBossState{});
}

void KingdomWeeklyBossStore::keep(KingdomWeeklyBossState next) {
  if (next == state_) return;
  file_.save(next);
  state_ = std::move(next);
}

Boss KingdomWeeklyBossStore::payDue(Boss boss, std::vector<Payment>& payments) {
  if (!WeeklyBoss::finalRewardDue(boss)) return boss;
  const WorldQuests::Reward reward = WeeklyBoss::finalReward(boss);
  if (pay(hero_, RewardKind::weeklyBoss, WeeklyBoss::finalReceiptID(boss.weekKey, boss.id),
          reward.xp, reward.gold, finalWhat(boss), payments)) {
    boss = WeeklyBoss::markFinalCredited(boss);
  }
  return boss;
}

std::vector<Payment> KingdomWeeklyBossStore::refresh(const std::string& weekKey, Date now,
                                                     const Define& define,
                                                     const CompletedIDs& completedIDs) {
  KingdomWeeklyBossState next = current();
  std::vector<Payment> payments;
  if (next.boss && next.boss->weekKey != weekKey) {
    // The damage of the old week was dealt by the refreshes of that week: only its due is paid.
    Boss ended = WeeklyBoss::resolve(payDue(*next.boss, payments), now);
    next.chronicle.push_back({std::move(ended), false});
    if (next.chronicle.size() > CHRONICLE_LIMIT) {
      next.chronicle.erase(next.chronicle.begin(),
                           next.chronicle.end() - static_cast<ptrdiff_t>(CHRONICLE_LIMIT));
    }
    next.boss.reset();
  }
  if (!next.boss) {
    if (auto definition = define()) {
      next.boss = KingdomWeeklyBossObservation::makeBoss(*definition, weekKey, now);
    }
  }
  if (next.boss) {
    next.boss = payDue(WeeklyBoss::evaluate(*next.boss, completedIDs(*next.boss)).boss, payments);
  }
  keep(std::move(next));
  return payments;
}

bool KingdomWeeklyBossStore::markSeen(const std::string& bossID) {
  KingdomWeeklyBossState next = current();
  for (WeeklyBossChronicleEntry& entry : next.chronicle) {
    if (entry.boss.id == bossID && !entry.seen) {
      entry.seen = true;
      keep(std::move(next));
      return true;
    }
  }
  return false;
}

}  // namespace talewick
