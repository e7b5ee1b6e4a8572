#include "core/kingdom_campaign_chronicle_store.hpp"

#include <algorithm>

namespace talewick {

using Entries = std::vector<Campaigns::ChronicleEntry>;

KingdomCampaignChronicleStore::KingdomCampaignChronicleStore(FilePort& files,
                                                             std::filesystem::path saveURL,
                                                             std::ostream& diagnostics)
    : file_(files, std::move(saveURL), diagnostics), entries_(current()) {}

Entries KingdomCampaignChronicleStore::current() {
  return file_.load<Entries>().value_or(Entries{});
}

void KingdomCampaignChronicleStore::keep(Entries entries) {
  file_.save(entries);
  entries_ = std::move(entries);
}

void KingdomCampaignChronicleStore::record(Campaigns::ChronicleEntry entry) {
  Entries next = current();
  const bool told = std::any_of(next.begin(), next.end(),
                                [&](const auto& e) { return e.campaign.id == entry.campaign.id; });
  if (told) return;
  next.push_back(std::move(entry));
  keep(std::move(next));
}

bool KingdomCampaignChronicleStore::markSeen(const std::string& campaignID) {
  Entries next = current();
  for (Campaigns::ChronicleEntry& e : next) {
    if (e.campaign.id == campaignID && !e.seen) {
      e.seen = true;
      keep(std::move(next));
      return true;
    }
  }
  return false;
}

}  // namespace talewick
