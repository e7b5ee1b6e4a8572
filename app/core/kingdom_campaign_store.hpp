// The campaigns, kept in campaigns-v1.json, and the crediting of what their chapters and their
// ends pay. Every payment goes through the hero's receipts. Main loop only. A change that cannot
// be saved throws FileError and leaves the store as it was; each change first takes in what
// another process (a command while the daemon runs) saved.
#pragma once

#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "core/hero_store.hpp"
#include "core/kingdom_campaign_chronicle_store.hpp"
#include "core/payment.hpp"
#include "core/state_file.hpp"
#include "kingdom/campaigns.hpp"

namespace talewick {

class KingdomCampaignStore {
 public:
  static constexpr const char* FILE_NAME = "campaigns-v1.json";
  // The anchor kind of a reminders list (the list's title as its value): kept as an anchor of a
  // kind the shared records do not name, which they write back unchanged.
  static constexpr const char* REMINDERS_LIST_ANCHOR = "remindersList";
  // The anchor kinds of a project or a label of any connected tracker (its name as the value),
  // kept the same way. The shared records' Linear kinds name Linear's own.
  static constexpr const char* TRACKER_PROJECT_ANCHOR = "trackerProject";
  static constexpr const char* TRACKER_LABEL_ANCHOR = "trackerLabel";

  // The open item ids of an anchor now, in its order; nullopt when the anchor is gone (its
  // calendar or list no longer exists).
  using AnchorItems =
      std::function<std::optional<std::vector<std::string>>(const Campaigns::Anchor&)>;

  // Reads `saveURL` at once (nothing, or a damaged file: no campaign; see StateFile). `chronicle`
  // and `hero` outlive the store.
  KingdomCampaignStore(FilePort& files, std::filesystem::path saveURL,
                       KingdomCampaignChronicleStore& chronicle, HeroStore& hero,
                       std::ostream& diagnostics = std::cerr);

  const std::vector<Campaigns::Campaign>& campaigns() const { return campaigns_; }
  // The campaign whose id is `id` or, failing that, the only one whose id begins with it.
  const Campaigns::Campaign* find(const std::string& id) const;

  // Adds an active campaign; refused (nothing written) when it cannot be active.
  std::optional<Campaigns::Refusal> add(Campaigns::Campaign campaign);
  // Puts an active campaign to sleep; false when there is no such active campaign.
  bool makeDormant(const std::string& id);
  // Wakes a dormant campaign; refused when it cannot be active (it stays dormant).
  std::optional<Campaigns::Refusal> wake(const std::string& id);
  // Completes the active chapter of `id` when it is manual; false otherwise.
  bool completeManualChapter(const std::string& id, Date now);

  // One refresh: each active campaign's chapter takes its baseline from its anchor, is judged
  // against `live`, and what completed is paid (a chapter, then the campaign's end, which the
  // chronicle then tells).
  std::vector<Payment> evaluate(const Campaigns::LiveState& live, const std::string& dayKey,
                                Date now, const AnchorItems& anchorItems);
  // Ends the campaign `id`: pays what it completed and was not paid yet, tells it in the
  // chronicle (completed, or closed) and drops it. Empty when there is no such campaign.
  std::optional<std::vector<Payment>> remove(const std::string& id, const std::string& dayKey,
                                             Date now);

 private:
  std::vector<Campaigns::Campaign> current();
  void keep(std::vector<Campaigns::Campaign> campaigns);
  // Pays the completed chapters and the end of `campaign` not paid yet; returns it marked.
  Campaigns::Campaign payDue(Campaigns::Campaign campaign, const std::string& dayKey, Date now,
                             std::vector<Payment>& payments);

  StateFile file_;
  KingdomCampaignChronicleStore& chronicle_;
  HeroStore& hero_;
  std::vector<Campaigns::Campaign> campaigns_;
};

}  // namespace talewick
