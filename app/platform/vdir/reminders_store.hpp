// The reminders port over a vdir folder of to-do items (the layout todoman and vdirsyncer use):
//
//   root/
//     courses/            one folder per list
//       displayname       the list's title (optional; the folder name otherwise)
//       <uid>.ics         one VTODO per file
//     maison/ ...
//
// Names starting with "." are ignored (hidden files, and the temporary files of atomic writes).
// Not thread-safe: call from one thread at a time.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/reminders_port.hpp"

namespace talewick {

class VdirRemindersStore : public RemindersStorePort {
 public:
  // `disabled` keeps the program away from the folder: no access, nothing read or written.
  explicit VdirRemindersStore(std::filesystem::path root, bool disabled = false);

  // True when the root is a folder this process can read (and the store is not disabled). There
  // is nobody to ask, so requestAccess() answers the same.
  bool hasFullAccess() override;
  bool requestAccess() override;

  // Every master VTODO (no RECURRENCE-ID) whose STATUS is neither COMPLETED nor CANCELLED and
  // that carries no COMPLETED stamp, lists in folder-name order, files in name order. A file that
  // does not parse, or a VTODO without UID, is skipped with one warning line on stderr naming the
  // file (once per version of the file). A missing root gives an empty list.
  std::vector<ReminderItem> incompleteReminders() override;

  // Marks the VTODO whose UID is `identifier` completed: STATUS:COMPLETED, COMPLETED, DTSTAMP and
  // LAST-MODIFIED at `now` (UTC), PERCENT-COMPLETE:100. Every other line of the file is kept as
  // written, and the file is replaced atomically. False for an unknown id, a file that does not
  // parse (left untouched) or a failed write.
  bool complete(const std::string& identifier, Date now) override;

  // True when a readable file holds the master VTODO `identifier` and it is completed or
  // cancelled.
  bool isClosed(const std::string& identifier) override;

 private:
  void warnOnce(const std::filesystem::path& file, const std::string& message);

  std::filesystem::path root_;
  bool disabled_;
  std::set<std::string> warned_;  // file path, size and modification time already warned about
};

}  // namespace talewick
