#include "core/vault_store.hpp"

#include <algorithm>
#include <set>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "text/vault_tasks_layout.hpp"

namespace talewick {

namespace fs = std::filesystem;
using VaultTasks::FileRole;

void to_json(Json& j, const VaultProfile& v) { j = Json{{"name", v.name}, {"child", v.child}}; }

void to_json(Json& j, const VaultTaskList& v) {
  j = Json{{"child", v.child}, {"sourceRel", v.sourceRel}, {"open", v.open}};
}

void to_json(Json& j, const VaultListItem& v) {
  j = Json{{"child", v.child}, {"id", v.id}, {"task", json_coding::encode(v.task)}};
}

void to_json(Json& j, const VaultActivityEvent& v) {
  j = Json{{"profile", v.profile},
           {"text", v.text},
           {"day", json_coding::encode(v.day)},
           {"sourceRel", v.sourceRel}};
}

void to_json(Json& j, const VaultScanResult& v) {
  j = Json{{"quests", json_coding::encode(v.quests)},
           {"pending", v.pending},
           {"profiles", json_coding::encode(v.profiles)},
           {"taskLists", json_coding::encode(v.taskLists)},
           {"listItems", json_coding::encode(v.listItems)},
           {"activityEvents", json_coding::encode(v.activityEvents)}};
}

namespace {

VaultSideQuest questOf(const VaultTasks::FileTask& t, const std::string& sourceRel) {
  const SideQuests::Reward reward = VaultTasks::reward(t.task);
  return {t.id, t.task.text, t.task.due, reward.xp, reward.gold, sourceRel, t.task.xp};
}

// The family file names its members in level-2 headings ("## Léo").
std::vector<std::string> profileNames(std::string_view contents) {
  std::vector<std::string> names;
  for (std::string_view line : VaultTasks::lines(contents)) {
    if (!line.starts_with("## ")) continue;
    const std::string_view name = text::trim(line.substr(3));
    if (!name.empty()) names.emplace_back(name);
  }
  return names;
}

// "gami-Léo.md" → "Léo".
std::string activityProfile(const std::string& relativePath) {
  std::string name = fs::path(relativePath).stem().string();
  return name.substr(std::min(name.size(), VaultTasks::ACTIVITY_PREFIX.size()));
}

bool dueBefore(const VaultSideQuest& a, const VaultSideQuest& b) {
  if (a.due.has_value() != b.due.has_value()) return a.due.has_value();
  if (a.due && *a.due != *b.due) return *a.due < *b.due;
  if (a.title != b.title) return a.title < b.title;
  return a.id < b.id;
}

}  // namespace

VaultStore::VaultStore(VaultFolderPort& folder, Preferences& preferences, std::ostream& diagnostics)
    : folder_(folder), preferences_(preferences), diagnostics_(diagnostics) {}

std::optional<fs::path> VaultStore::folderPath() const {
  std::optional<std::string> path = preferences_.string(FOLDER_KEY);
  if (!path || path->empty()) return std::nullopt;
  return fs::path(*path);
}

bool VaultStore::setFolder(const fs::path& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec).lexically_normal();
  if (!absolute.has_filename() && absolute.has_relative_path()) absolute = absolute.parent_path();
  if (ec || !folder_.isReadableFolder(absolute)) return false;
  preferences_.set(FOLDER_KEY, absolute.string());
  return true;
}

void VaultStore::fail(const std::string& line) {
  statusLine_ = line;
  diagnostics_ << line << "\n";
}

VaultStore::FileRead VaultStore::readFile(const fs::path& root, const std::string& relativePath) {
  FileRead read;
  const FileRole role = VaultTasks::roleOf(relativePath);
  read.role = role;
  if (role == FileRole::credits || role == FileRole::ignored) return read;
  const std::optional<std::string> contents = folder_.read(root, relativePath);
  if (!contents) return read;  // gone since the listing: the next scan will not list it
  if (role == FileRole::familyProfiles) {
    read.profileNames = profileNames(*contents);
    return read;
  }
  const std::vector<std::string_view> lines = VaultTasks::lines(*contents);
  for (VaultTasks::FileTask& t : VaultTasks::tasksOfFile(*contents, relativePath)) {
    if (role == FileRole::notes && !t.task.done) read.quests.push_back(questOf(t, relativePath));
    std::string line(lines[static_cast<size_t>(t.lineIndex)]);
    read.tasks.push_back({std::move(t), std::move(line)});
  }
  // Sorted here, once per read, so that a scan merges the files' lists instead of sorting them
  // all again.
  std::sort(read.quests.begin(), read.quests.end(), dueBefore);
  return read;
}

const VaultScanResult& VaultStore::scan() {
  const std::optional<fs::path> root = folderPath();
  if (!root) {
    files_.clear();
    scannedRoot_.reset();
    result_ = {};
    statusLine_ =
        Loc::string("vault.noFolder", "Aucun coffre de notes choisi : talewick vault set DOSSIER");
    return result_;
  }
  if (root != scannedRoot_) {
    files_.clear();
    scannedRoot_.reset();
  }
  // Only what a watch named, when a watch follows the folder and nothing asks for more.
  std::set<std::string> scopes;
  if (watched_ && !listAgain_ && scannedRoot_) {
    scopes = std::move(named_);
  } else {
    scopes = {""};
  }
  named_.clear();

  Merge merge;
  try {
    for (const std::string& scope : scopes) {
      const VaultListing listing = folder_.list(*root, scope);
      mergeListing(*root, scope, listing, merge);
    }
  } catch (const FileError& e) {
    // The folder may be on a disk not mounted yet: what was read last stays shown, and the whole
    // folder is listed at the next scan.
    listAgain_ = true;
    fail(e.what());
    return result_;
  }
  if (merge.changed || !scannedRoot_) assemble();
  if (scopes.contains("")) listAgain_ = false;
  scannedRoot_ = root;

  if (merge.truncated) {
    statusLine_ =
        Loc::format(Loc::string("vault.truncated",
                                "Coffre trop grand : seuls les %@ premiers fichiers sont lus"),
                    {std::to_string(VaultFolderPort::MAX_FILES)});
  } else if (merge.skippedLarge > 0 || merge.unreadable > 0) {
    statusLine_ = Loc::format(
        Loc::string("vault.skipped", "%@ fichier(s) trop gros et %@ illisible(s) laissés de côté"),
        {std::to_string(merge.skippedLarge), std::to_string(merge.unreadable)});
  } else if (scopes.contains("")) {
    statusLine_.clear();  // a partial look cannot tell that an earlier problem is gone
  }
  return result_;
}

void VaultStore::filesChanged(const std::vector<std::string>& relativePaths) {
  named_.insert(relativePaths.begin(), relativePaths.end());
}

void VaultStore::mergeListing(const fs::path& root, const std::string& scope,
                              const VaultListing& listing, Merge& merge) {
  // The files read so far under `scope` and its listing are both in path order: one walk over
  // the two keeps what did not change, reads what did and drops what is gone. Paths that merely
  // sort among the scope's ("notes.md" between "notes" and "notes/a.md") are left alone.
  const auto inScope = [&](const std::string& path) {
    return scope.empty() || path == scope ||
           (path.starts_with(scope) && path.size() > scope.size() && path[scope.size()] == '/');
  };
  const std::string past = scope.empty() ? std::string() : scope + static_cast<char>('/' + 1);
  const auto atEnd = [&](auto it) {
    return it == files_.end() || (!past.empty() && it->first >= past);
  };
  const auto nextInScope = [&](auto it) {
    while (!atEnd(it) && !inScope(it->first)) ++it;
    return it;
  };
  auto known = nextInScope(files_.lower_bound(scope));
  for (const VaultFileInfo& file : listing.files) {
    while (!atEnd(known) && known->first < file.relativePath) {
      known = nextInScope(files_.erase(known));
      merge.changed = true;
    }
    const bool same = !atEnd(known) && known->first == file.relativePath;
    if (same && known->second.size == file.size &&
        known->second.modifiedNanoseconds == file.modifiedNanoseconds) {
      known = nextInScope(std::next(known));
      continue;
    }
    merge.changed = true;
    try {
      FileRead read = readFile(root, file.relativePath);
      read.size = file.size;
      read.modifiedNanoseconds = file.modifiedNanoseconds;
      if (same) {
        known->second = std::move(read);
        known = nextInScope(std::next(known));
      } else {
        files_.emplace_hint(known, file.relativePath, std::move(read));
      }
    } catch (const FileError& e) {
      ++merge.unreadable;
      diagnostics_ << e.what() << "\n";
      if (same) known = nextInScope(files_.erase(known));
    }
  }
  while (!atEnd(known)) {
    known = nextInScope(files_.erase(known));
    merge.changed = true;
  }
  merge.truncated = merge.truncated || listing.truncated;
  merge.skippedLarge += listing.skippedLarge;
}

void VaultStore::assemble() {
  result_ = {};
  // Each file's open tasks are sorted: the first CAP of all of them are merged from the heads.
  using Head = std::pair<std::vector<VaultSideQuest>::const_iterator,
                         std::vector<VaultSideQuest>::const_iterator>;
  const auto later = [](const Head& a, const Head& b) { return dueBefore(*b.first, *a.first); };
  std::vector<Head> heads;
  std::vector<std::string> children;
  for (const auto& [path, read] : files_) {
    switch (read.role) {
      case FileRole::notes:
        result_.pending += static_cast<int64_t>(read.quests.size());
        if (!read.quests.empty()) heads.emplace_back(read.quests.begin(), read.quests.end());
        break;
      case FileRole::familyProfiles:
        for (const std::string& name : read.profileNames) result_.profiles.push_back({name, false});
        break;
      case FileRole::childRecurringTasks: {
        const std::string child = VaultTasks::childOf(path).value_or("");
        children.push_back(child);
        VaultTaskList list{child, path, 0};
        for (const Task& t : read.tasks) {
          list.open += t.fileTask.task.done ? 0 : 1;
          result_.listItems.push_back({child, t.fileTask.id, t.fileTask.task});
        }
        result_.taskLists.push_back(std::move(list));
        break;
      }
      case FileRole::activity:
        for (const Task& t : read.tasks) {
          if (!t.fileTask.task.done) continue;
          result_.activityEvents.push_back(
              {activityProfile(path), t.fileTask.task.text, t.fileTask.task.completed, path});
        }
        break;
      case FileRole::credits:
      case FileRole::ignored:
        break;
    }
  }
  // A child named in the family file is that profile; one with a folder alone is added.
  for (const std::string& child : children) {
    auto named = std::find_if(result_.profiles.begin(), result_.profiles.end(),
                              [&](const VaultProfile& p) { return p.name == child; });
    if (named != result_.profiles.end()) {
      named->child = true;
    } else {
      result_.profiles.push_back({child, true});
    }
  }
  std::make_heap(heads.begin(), heads.end(), later);
  result_.quests.reserve(std::min(static_cast<size_t>(result_.pending), CAP));
  while (!heads.empty() && result_.quests.size() < CAP) {
    std::pop_heap(heads.begin(), heads.end(), later);
    Head& head = heads.back();
    result_.quests.push_back(*head.first);
    if (++head.first == head.second) {
      heads.pop_back();
    } else {
      std::push_heap(heads.begin(), heads.end(), later);
    }
  }
}

std::vector<std::string> VaultStore::idsStartingWith(const std::string& prefix) const {
  std::vector<std::string> ids;
  if (prefix.empty()) return ids;
  for (const auto& [path, read] : files_) {
    for (const VaultSideQuest& q : read.quests) {
      if (q.id == prefix || q.id == "vault_" + prefix) return {q.id};
      if (q.id.starts_with(prefix) || q.id.starts_with("vault_" + prefix)) ids.push_back(q.id);
    }
  }
  return ids;
}

VaultStore::Completion VaultStore::complete(std::string id, Date now, HeroStore& hero) {
  Completion done;
  scan();
  if (!scannedRoot_) return done;
  const fs::path root = *scannedRoot_;
  const Task* found = nullptr;
  std::string sourceRel;
  for (const auto& [path, read] : files_) {
    if (read.role != FileRole::notes) continue;
    for (const Task& t : read.tasks) {
      if (t.fileTask.id == id && !t.fileTask.task.done) {
        found = &t;
        sourceRel = path;
      }
    }
  }
  if (!found) return done;
  const Task task = *found;
  done.quest = questOf(task.fileTask, sourceRel);

  const auto failedWrite = [&](const FileError& e) {
    fail(Loc::format(
        Loc::string("vault.writeFailed", "Talewick: coche non écrite dans le coffre (%@) — %@"),
        {(root / sourceRel).string(), e.what()}));
    done.outcome = WriteOutcome::ioError;
    return done;
  };
  std::optional<VaultTasksWrite::Rewrite> rewrite;
  try {
    const std::optional<std::string> contents = folder_.read(root, sourceRel);
    if (!contents) return done;
    rewrite = VaultTasksWrite::completeAt(*contents, task.fileTask.lineIndex, task.line, now);
    // The line changed since the folder was read (without the file's size or time telling).
    if (!rewrite) return done;
    folder_.writeAtomically(root, sourceRel, rewrite->contents);
  } catch (const FileError& e) {
    return failedWrite(e);
  }
  done.outcome = WriteOutcome::written;
  done.change = rewrite->change;
  statusLine_.clear();
  files_.erase(sourceRel);  // read again at the next scan, watched or not
  named_.insert(sourceRel);
  std::erase_if(result_.quests, [&](const VaultSideQuest& q) { return q.id == id; });

  try {
    const std::string credits(VaultTasks::CREDIT_FILE);
    // A credit file that cannot be read is left alone: writing over it would lose its entries.
    const std::optional<std::string> before = folder_.read(root, credits);
    const std::string entry = VaultTasksWrite::creditEntry(now, task.fileTask.task.xp, sourceRel,
                                                           task.fileTask.task.text);
    folder_.writeAtomically(root, credits, VaultTasksWrite::withCredit(before, entry));
  } catch (const FileError& e) {
    fail(e.what());
  }
  payOnce(done, task.fileTask, now, hero);
  return done;
}

void VaultStore::payOnce(Completion& done, const VaultTasks::FileTask& task, Date now,
                         HeroStore& hero) {
  std::vector<std::string> rewarded = preferences_.stringList(REWARDED_KEY);
  if (std::find(rewarded.begin(), rewarded.end(), task.id) != rewarded.end()) return;
  const SideQuests::Reward reward = VaultTasks::reward(task.task);
  try {
    const HeroSync::Credit credit =
        hero.credit(RewardKind::sideQuest, "vault:" + task.id + ":" + LocalCalendar::dayKey(now),
                    reward.xp, reward.gold);
    if (credit == HeroSync::Credit::refused) return;
    if (credit == HeroSync::Credit::credited) done.credited = reward;
  } catch (const FileError& e) {
    fail(e.what());
    return;
  }
  rewarded.push_back(task.id);
  if (rewarded.size() > REWARDED_KEPT) {
    rewarded.erase(rewarded.begin(), rewarded.end() - static_cast<std::ptrdiff_t>(REWARDED_KEPT));
  }
  try {
    preferences_.set(REWARDED_KEY, rewarded);
  } catch (const std::system_error& e) {
    fail(e.what());
  }
}

}  // namespace talewick
