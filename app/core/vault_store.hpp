// The family's notes folder as side quests: the open task lines of its notes, the family layout
// around them, and completing one from here — the line ticked (or moved to its next day) in its
// file, a credit line left for the family app, and the hero paid once.
//
// A scan keeps what it read of each file under the file's (path, size, modification time): the
// next scan re-reads only the files that changed, so that a daemon may rescan at every change of
// the folder. Main loop only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/hero_store.hpp"
#include "core/preferences.hpp"
#include "core/vault_folder_port.hpp"
#include "game/side_quest.hpp"
#include "support/date.hpp"
#include "support/json.hpp"
#include "text/vault_tasks.hpp"
#include "text/vault_tasks_layout.hpp"
#include "text/vault_tasks_write.hpp"

namespace talewick {

// A member of the family: a level-2 heading of "famille.md", or a child's folder.
struct VaultProfile {
  std::string name;
  bool child = false;
  bool operator==(const VaultProfile&) const = default;
};

// A child's repeating tasks ("01 - Enfants/<child>/Tâches récurrentes.md").
struct VaultTaskList {
  std::string child;
  std::string sourceRel;
  int64_t open = 0;
  bool operator==(const VaultTaskList&) const = default;
};

// One task of such a list.
struct VaultListItem {
  std::string child;
  std::string id;
  VaultTask task;
  bool operator==(const VaultListItem&) const = default;
};

// A task ticked in an activity file ("gami-<profile>.md"): who did what, and on which day.
struct VaultActivityEvent {
  std::string profile;
  std::string text;
  std::optional<Date> day;
  std::string sourceRel;
  bool operator==(const VaultActivityEvent&) const = default;
};

struct VaultScanResult {
  std::vector<VaultSideQuest> quests;  // earliest due first, then those without one; CAP at most
  int64_t pending = 0;                 // open tasks of the notes, kept or not
  std::vector<VaultProfile> profiles;
  std::vector<VaultTaskList> taskLists;
  std::vector<VaultListItem> listItems;
  std::vector<VaultActivityEvent> activityEvents;
};

void to_json(Json& j, const VaultProfile& v);
void to_json(Json& j, const VaultTaskList& v);
void to_json(Json& j, const VaultListItem& v);
void to_json(Json& j, const VaultActivityEvent& v);
void to_json(Json& j, const VaultScanResult& v);

class VaultStore {
 public:
  // On Linux the folder is kept as a plain path.
  static constexpr const char* FOLDER_KEY = "vault.coffre.path";
  static constexpr const char* REWARDED_KEY = "vault.rewardedKeys";
  // The most side quests one scan keeps: a list longer than that is read by nobody.
  static constexpr size_t CAP = 2000;
  // The most rewarded task names remembered; the oldest go first (the hero's receipts still
  // guard them).
  static constexpr size_t REWARDED_KEPT = 2000;

  enum class WriteOutcome { written, notFound, ioError };

  struct Completion {
    WriteOutcome outcome = WriteOutcome::notFound;
    std::optional<VaultSideQuest> quest;
    std::optional<VaultTasksWrite::Change> change;
    std::optional<SideQuests::Reward> credited;  // what the hero gained now; none when paid before
  };

  VaultStore(VaultFolderPort& folder, Preferences& preferences,
             std::ostream& diagnostics = std::cerr);

  // The folder chosen; nullopt when none is.
  std::optional<std::filesystem::path> folderPath() const;
  // Chooses `path` (made absolute). False, with nothing stored, when it is not a readable folder.
  // Throws std::system_error when the preferences cannot be written.
  bool setFolder(const std::filesystem::path& path);

  // Reads the folder (the files changed since the last scan). A folder not chosen, or that cannot
  // be listed, gives an empty result and says why on the status line.
  const VaultScanResult& scan();
  // A watch on the folder (the daemon's) may name what changed, so that a scan need not list
  // thousands of files again after one save: after followWatch(), a scan looks only at the paths
  // given to filesChanged() since the last scan (files or folders, relative to the folder), and
  // lists the whole folder only at the first scan, after listAgain() (a watch that lost events,
  // a periodic look) and after a listing failed.
  void followWatch() { watched_ = true; }
  void filesChanged(const std::vector<std::string>& relativePaths);
  void listAgain() { listAgain_ = true; }
  const VaultScanResult& result() const { return result_; }
  // Empty when the last scan or completion went well; else one line saying what went wrong.
  const std::string& statusLine() const { return statusLine_; }

  // The ids of the open tasks of the last scan that begin with `prefix` ("vault_" may be left
  // out); the id itself when it is one of them.
  std::vector<std::string> idsStartingWith(const std::string& prefix) const;

  // Completes the open task `id` as the folder holds it now (it is scanned first): its line
  // rewritten (VaultTasksWrite::completeAt) and written atomically, one credit line appended to
  // the credit file, then the hero paid under "vault:<id>:<day of now>" unless the task was
  // rewarded before. notFound when no open task has that id or its line changed meanwhile
  // (nothing is written); ioError when the note cannot be read or written (the log names it).
  // A credit line or a payment that fails after the tick leaves the tick written and says so on
  // the status line. `id` is taken by value: an id of result() may be passed, and scanning
  // replaces result().
  Completion complete(std::string id, Date now, HeroStore& hero);

 private:
  struct Task {
    VaultTasks::FileTask fileTask;
    std::string line;  // as written, for completeAt to check it still is
  };
  struct FileRead {
    // Worked out once per read: roleOf compares names in canonical composition, too slow to
    // repeat for every file at every scan.
    VaultTasks::FileRole role = VaultTasks::FileRole::ignored;
    uint64_t size = 0;
    int64_t modifiedNanoseconds = 0;
    std::vector<Task> tasks;
    std::vector<VaultSideQuest> quests;  // its open tasks, for a notes file
    std::vector<std::string> profileNames;
  };

  struct Merge {
    bool changed = false;
    bool truncated = false;
    int64_t skippedLarge = 0;
    int64_t unreadable = 0;
  };

  FileRead readFile(const std::filesystem::path& root, const std::string& relativePath);
  // Brings the files read under `scope` ("" for the whole folder) up to its listing.
  void mergeListing(const std::filesystem::path& root, const std::string& scope,
                    const VaultListing& listing, Merge& merge);
  void assemble();
  void payOnce(Completion& done, const VaultTasks::FileTask& task, Date now, HeroStore& hero);
  void fail(const std::string& line);

  VaultFolderPort& folder_;
  Preferences& preferences_;
  std::ostream& diagnostics_;
  std::optional<std::filesystem::path> scannedRoot_;
  std::map<std::string, FileRead> files_;
  bool watched_ = false;
  bool listAgain_ = true;
  std::set<std::string> named_;
  VaultScanResult result_;
  std::string statusLine_;
};

}  // namespace talewick
