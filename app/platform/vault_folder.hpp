// The notes folder on Linux, walked with std::filesystem: links to folders are followed once
// (a folder reached again, through a loop or a second link, is skipped), and a folder that cannot
// be opened is skipped with what it holds.
#pragma once

#include "core/vault_folder_port.hpp"

namespace talewick {

class VaultFolder : public VaultFolderPort {
 public:
  bool isReadableFolder(const std::filesystem::path& root) override;
  VaultListing list(const std::filesystem::path& root, const std::string& under) override;
  std::optional<std::string> read(const std::filesystem::path& root,
                                  const std::string& relativePath) override;
  void writeAtomically(const std::filesystem::path& root, const std::string& relativePath,
                       std::string_view data) override;
};

// Whether the listing skips a folder of this name: hidden ones (".obsidian", ".trash", ".git")
// and those editors keep pasted images and files in.
bool isSkippedVaultFolder(std::string_view name);

}  // namespace talewick
