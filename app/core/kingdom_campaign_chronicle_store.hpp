// The chronicle of ended campaigns, kept in campaign-chronicle-v1.json: each campaign completed or
// closed, when it ended, and whether the user has seen it told. Main loop only. A change that
// cannot be saved throws FileError and leaves the store as it was; each change first takes in what
// another process saved.
#pragma once

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "core/state_file.hpp"
#include "kingdom/campaigns.hpp"

namespace talewick {

class KingdomCampaignChronicleStore {
 public:
  static constexpr const char* FILE_NAME = "campaign-chronicle-v1.json";

  // Reads `saveURL` at once (nothing, or a damaged file: an empty chronicle; see StateFile).
  KingdomCampaignChronicleStore(FilePort& files, std::filesystem::path saveURL,
                                std::ostream& diagnostics = std::cerr);

  // Oldest first.
  const std::vector<Campaigns::ChronicleEntry>& entries() const { return entries_; }

  // Adds `entry`; a campaign already told is not told twice.
  void record(Campaigns::ChronicleEntry entry);
  // True when the campaign's entry was unseen.
  bool markSeen(const std::string& campaignID);

 private:
  std::vector<Campaigns::ChronicleEntry> current();
  void keep(std::vector<Campaigns::ChronicleEntry> entries);

  StateFile file_;
  std::vector<Campaigns::ChronicleEntry> entries_;
};

}  // namespace talewick
