// The notes folder on disk: what its walk lists and skips, whatever the user's folder holds
// (links that loop, broken names and bytes, a huge export), and writes that stay inside it.
#include "platform/vault_folder.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "core/vault_store.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> paths(const VaultListing& listing) {
  std::vector<std::string> out;
  for (const VaultFileInfo& f : listing.files) out.push_back(f.relativePath);
  return out;
}

TEST(VaultFolder, ListsTheNotesOnceWhateverLinksNamesAndSizesTheFolderHolds) {
  testing::TempFolder vault("vault-walk");
  vault.write("a.md", "- [ ] A\n");
  vault.write("Notes/b.MD", "- [ ] B\n");
  vault.write("Notes/image.png", "png");
  vault.write(".obsidian/workspace.md", "- [ ] caché\n");
  vault.write("attachments/scan.md", "- [ ] pièce jointe\n");
  vault.write("odd/ligne\nbrisée \x01.md", "- [ ] \xff\xfe bytes \xc3(\n");
  vault.write("odd/\xe9t\xe9.md", "- [ ] latin-1 name\n");
  vault.write("huge.md", std::string(VaultFolderPort::MAX_FILE_BYTES + 1, 'x'));
  fs::create_directory_symlink(vault.path(), vault / "Notes/loop");  // back to the root
  fs::create_directory_symlink(vault / "Notes", vault / "again");    // a folder seen twice
  fs::create_symlink(vault / "absent.md", vault / "dangling.md");
  fs::create_symlink(vault / "a.md", vault / "alias.md");  // a linked file is a note

  VaultFolder folder;
  const VaultListing listing = folder.list(vault.path(), "");
  const std::vector<std::string> listed = paths(listing);
  EXPECT_EQ(listed.size(), 5u) << ::testing::PrintToString(listed);
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "a.md"), 1);
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "alias.md"), 1);
  // "Notes" is walked once, under whichever of its two names comes first.
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "Notes/b.MD") +
                std::count(listed.begin(), listed.end(), "again/b.MD"),
            1);
  EXPECT_EQ(listing.skippedLarge, 1);
  EXPECT_FALSE(listing.truncated);
  EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));
  EXPECT_EQ(listing.files[0].size, 8u);

  // The store reads the same folder without a complaint, odd bytes and all.
  testing::MemoryPreferences preferences;
  std::ostringstream diagnostics;
  VaultStore store(folder, preferences, diagnostics);
  ASSERT_TRUE(store.setFolder(vault.path()));
  EXPECT_EQ(store.scan().pending, 5);
  EXPECT_EQ(store.statusLine(), "1 fichier(s) trop gros et 0 illisible(s) laissés de côté");
}

TEST(VaultFolder, WritesStayInsideTheFolderAndKeepTheNotesPermissions) {
  testing::TempFolder vault("vault-write");
  const fs::path note = vault.write("n.md", "- [ ] A\n");
  fs::permissions(note, fs::perms::owner_read | fs::perms::owner_write);
  VaultFolder folder;
  folder.writeAtomically(vault.path(), "n.md", "- [x] A\n");
  EXPECT_EQ(vault.read("n.md"), "- [x] A\n");
  EXPECT_EQ(fs::status(note).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(folder.read(vault.path(), "gone.md"), std::nullopt);

  for (const char* outside : {"../escape.md", "/etc/passwd", "a/../../x.md", ""}) {
    EXPECT_THROW(folder.writeAtomically(vault.path(), outside, "x"), FileError) << outside;
    EXPECT_THROW(folder.read(vault.path(), outside), FileError) << outside;
  }
  EXPECT_FALSE(fs::exists(vault.path().parent_path() / "escape.md"));

  EXPECT_TRUE(folder.isReadableFolder(vault.path()));
  EXPECT_FALSE(folder.isReadableFolder(note));
  EXPECT_FALSE(folder.isReadableFolder(vault / "absent"));
  EXPECT_THROW(folder.list(vault / "absent", ""), FileError);
}

TEST(VaultFolder, TheListingStopsAtItsCap) {
  testing::TempFolder vault("vault-cap");
  for (size_t i = 0; i <= VaultFolderPort::MAX_FILES; ++i) {
    std::ofstream(vault / (std::to_string(i) + ".md"));
  }
  const VaultListing listing = VaultFolder().list(vault.path(), "");
  EXPECT_EQ(listing.files.size(), VaultFolderPort::MAX_FILES);
  EXPECT_TRUE(listing.truncated);
}

}  // namespace
}  // namespace talewick
