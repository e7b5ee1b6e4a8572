#include "core/kingdom_campaign_store.hpp"

#include <algorithm>

#include "support/loc.hpp"

namespace talewick {

using Campaigns::Campaign;
using List = std::vector<Campaign>;

namespace {

std::string chapterWhat(const Campaign& c, const Campaigns::Chapter& chapter) {
  return Loc::format(Loc::string("kingdom.campaign.chapterPaid", "Chapitre « %@ » de « %@ »"),
                     {chapter.title, c.title});
}

std::string endWhat(const Campaign& c) {
  return Loc::format(Loc::string("kingdom.campaign.endPaid", "Campagne « %@ » achevée"), {c.title});
}

Campaign* byId(List& list, const std::string& id) {
  for (Campaign& c : list) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

}  // namespace

KingdomCampaignStore::KingdomCampaignStore(FilePort& files, std::filesystem::path saveURL,
                                           KingdomCampaignChronicleStore& chronicle,
                                           HeroStore& hero, std::ostream& diagnostics)
    : file_(files, std::move(saveURL), diagnostics),
      chronicle_(chronicle),
      hero_(hero),
      campaigns_(current()) {}

List KingdomCampaignStore::current() { return file_.load<List>().value_or(List{}); }

void KingdomCampaignStore::keep(List campaigns) {
  if (campaigns == campaigns_) return;
  file_.save(campaigns);
  campaigns_ = std::move(campaigns);
}

const Campaign* KingdomCampaignStore::find(const std::string& id) const {
  const Campaign* prefixed = nullptr;
  int prefixes = 0;
  for (const Campaign& c : campaigns_) {
    if (c.id == id) return &c;
    if (!id.empty() && c.id.rfind(id, 0) == 0) {
      prefixed = &c;
      ++prefixes;
    }
  }
  return prefixes == 1 ? prefixed : nullptr;
}

std::optional<Campaigns::Refusal> KingdomCampaignStore::add(Campaign campaign) {
  List next = current();
  if (auto refusal = Campaigns::activationRefusal(campaign, next)) return refusal;
  campaign.status = Campaigns::Status::active;
  next.push_back(std::move(campaign));
  keep(std::move(next));
  return std::nullopt;
}

bool KingdomCampaignStore::makeDormant(const std::string& id) {
  List next = current();
  Campaign* c = byId(next, id);
  if (!c || c->status != Campaigns::Status::active) return false;
  *c = Campaigns::makeDormant(*c);
  keep(std::move(next));
  return true;
}

std::optional<Campaigns::Refusal> KingdomCampaignStore::wake(const std::string& id) {
  List next = current();
  Campaign* c = byId(next, id);
  if (!c || c->status != Campaigns::Status::dormant) return std::nullopt;
  if (auto refusal = Campaigns::activationRefusal(*c, next)) return refusal;
  *c = Campaigns::wake(*c, next);
  keep(std::move(next));
  return std::nullopt;
}

bool KingdomCampaignStore::completeManualChapter(const std::string& id, Date now) {
  List next = current();
  Campaign* c = byId(next, id);
  if (!c) return false;
  const Campaigns::Chapter* chapter = c->activeChapter();
  if (!chapter || !chapter->isManual) return false;
  Campaign done = Campaigns::completeManualChapter(*c, chapter->id, now);
  if (done == *c) return false;
  *c = std::move(done);
  keep(std::move(next));
  return true;
}

Campaign KingdomCampaignStore::payDue(Campaign c, const std::string& dayKey, Date now,
                                      std::vector<Payment>& payments) {
  for (const Campaigns::Chapter& chapter : std::vector(c.chapters)) {
    if (!chapter.completed || chapter.credited) continue;
    const WorldQuests::Reward reward = Campaigns::chapterReward(chapter);
    if (pay(hero_, RewardKind::campaign, Campaigns::chapterReceiptID(c.id, chapter.id, dayKey),
            reward.xp, reward.gold, chapterWhat(c, chapter), payments)) {
      c = Campaigns::markChapterCredited(c, chapter.id, now);
    }
  }
  if (c.isComplete() && !c.finalCredited) {
    const WorldQuests::Reward reward = Campaigns::finalReward();
    if (pay(hero_, RewardKind::campaign, Campaigns::finalReceiptID(c.id, dayKey), reward.xp,
            reward.gold, endWhat(c), payments)) {
      c = Campaigns::markFinalCredited(c);
      chronicle_.record(Campaigns::chronicleEntry(c, now));
    }
  }
  return c;
}

std::vector<Payment> KingdomCampaignStore::evaluate(const Campaigns::LiveState& live,
                                                    const std::string& dayKey, Date now,
                                                    const AnchorItems& anchorItems) {
  List next = current();
  std::vector<Payment> payments;
  for (Campaign& c : next) {
    if (c.status == Campaigns::Status::active) {
      if (const Campaigns::Chapter* chapter = c.activeChapter(); chapter && !chapter->isManual) {
        if (auto items = anchorItems(chapter->anchor)) {
          c = Campaigns::activateNextChapter(c, *items);
        }
      }
      c = Campaigns::evaluate(c, live, now).campaign;
    }
    // A campaign completed by hand since the last refresh still has its due to pay.
    if (c.status != Campaigns::Status::dormant) c = payDue(std::move(c), dayKey, now, payments);
  }
  keep(std::move(next));
  return payments;
}

std::optional<std::vector<Payment>> KingdomCampaignStore::remove(const std::string& id,
                                                                 const std::string& dayKey,
                                                                 Date now) {
  List next = current();
  const auto it =
      std::find_if(next.begin(), next.end(), [&](const Campaign& c) { return c.id == id; });
  if (it == next.end()) return std::nullopt;
  std::vector<Payment> payments;
  const Campaign ended = payDue(*it, dayKey, now, payments);
  Campaigns::ChronicleEntry entry = Campaigns::chronicleEntry(ended, now);
  chronicle_.record(std::move(entry));
  next.erase(it);
  keep(std::move(next));
  return payments;
}

}  // namespace talewick
