#include "platform/vdir/calendar_store.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <exception>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <utility>

#include "core/uuid.hpp"
#include "platform/atomic_file.hpp"
#include "platform/ics/edit.hpp"
#include "platform/ics/lines.hpp"
#include "platform/vdir/calendar_cache.hpp"
#include "platform/vdir/folder.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick {
namespace {

namespace fs = std::filesystem;

// "#1f77b4", "1F77B4" or "#1f77b4ff" → "#1F77B4"; anything else → nothing.
std::optional<std::string> normalizedColor(std::string_view raw) {
  std::string_view s = text::trim(raw);
  if (!s.empty() && s.front() == '#') s.remove_prefix(1);
  if (s.size() != 6 && s.size() != 8) return std::nullopt;
  std::string out = "#";
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    if (i < 6) out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

bool isWritableFolder(const fs::path& folder) { return ::access(folder.c_str(), W_OK) == 0; }

bool isFolder(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

Date now() {
  using namespace std::chrono;
  return Date::fromUnix(duration<double>(system_clock::now().time_since_epoch()).count());
}

int64_t mtimeNs(const struct stat& st) {
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

bool occurrenceBefore(const CalendarEvent& a, const CalendarEvent& b) {
  if (a.start != b.start) return a.start < b.start;
  if (a.eventIdentifier != b.eventIdentifier) return a.eventIdentifier < b.eventIdentifier;
  if (a.end != b.end) return a.end < b.end;
  return a.calendarID < b.calendarID;
}

std::unordered_set<std::string> addressSet(const std::vector<std::string>& addresses) {
  std::unordered_set<std::string> out;
  for (const std::string& a : addresses) {
    std::string n = ics::normalizedAddress(a);
    if (!n.empty()) out.insert(std::move(n));
  }
  return out;
}

}  // namespace

struct VdirCalendarStore::Impl {
  fs::path root;
  bool disabled;
  std::mutex mutex;
  vdir::CalendarCache cache;
  using Located = vdir::CalendarCache::Located;

  Impl(fs::path r, const std::vector<std::string>& emails, bool d)
      : root(r), disabled(d), cache(std::move(r), addressSet(emails)) {}

  // The UID on `calendarID`; with no calendar, its first.
  std::optional<Located> locate(const std::string& uid, const std::string& calendarID) {
    for (Located& at : cache.locateAll(uid)) {
      if (calendarID.empty() || at.calendarID == calendarID) return std::move(at);
    }
    return std::nullopt;
  }

  // The event a write means: the UID on the event's calendar, else the only calendar holding
  // it. Two others holding it leave the write without a target: refused, naming them.
  Located writeTarget(const CalendarEvent& event) {
    std::vector<Located> all = cache.locateAll(event.eventIdentifier);
    for (Located& at : all) {
      if (at.calendarID == event.calendarID) return std::move(at);
    }
    if (all.size() == 1) return std::move(all.front());
    if (all.empty()) {
      throw CalendarStoreError(
          Loc::format(Loc::string("calendar.eventNotFound", "Événement introuvable : %@"),
                      {event.eventIdentifier}));
    }
    std::string names;
    for (const Located& at : all) names += (names.empty() ? "" : ", ") + at.calendarID;
    throw CalendarStoreError(
        Loc::format(Loc::string("calendar.ambiguousEvent",
                                "Événement présent dans plusieurs agendas (%@) : %@"),
                    {names, event.eventIdentifier}));
  }

  void requireAccess() const {
    if (disabled) {
      throw CalendarStoreError(
          Loc::string("calendar.accessDisabled", "Accès aux calendriers désactivé"));
    }
  }

  fs::path calendarFolder(const std::string& id) const {
    const fs::path folder = root / id;
    if (vdir::isHidden(id) || id.find('/') != std::string::npos || !isFolder(folder)) {
      throw CalendarStoreError(
          Loc::format(Loc::string("calendar.notFound", "Calendrier introuvable : %@"), {id}));
    }
    return folder;
  }

  fs::path writableCalendarFolder(const std::string& id) {
    fs::path folder = calendarFolder(id);
    if (!isWritableFolder(folder)) {
      throw CalendarStoreError(
          Loc::format(Loc::string("calendar.readOnly", "Calendrier en lecture seule : %@"), {id}));
    }
    removeStaleTemporaries(folder);
    return folder;
  }

  // A writer killed half-way (an interrupted `add`) leaves its temporary file behind; other
  // programs skip it, but they pile up. Before this store first writes into a folder, the
  // temporaries of event files older than a minute go: a younger one may be another process
  // writing right now.
  std::set<std::string> tidiedFolders;
  void removeStaleTemporaries(const fs::path& folder) {
    if (!tidiedFolders.insert(folder.string()).second) return;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return;
    const int fd = ::dirfd(dir.get());
    const int64_t nowNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
    constexpr int64_t kStaleNs = 60'000'000'000;
    while (const struct dirent* d = ::readdir(dir.get())) {
      const std::optional<std::string> target = files::temporaryTarget(d->d_name);
      if (!target || target->size() < 5 ||
          !ics::equalNoCase(std::string_view(*target).substr(target->size() - 4), ".ics")) {
        continue;
      }
      struct stat st {};
      if (::fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
      if (nowNs - mtimeNs(st) > kStaleNs) ::unlinkat(fd, d->d_name, 0);
    }
  }

  std::string editableText(const Located& at) {
    std::optional<std::string> text;
    if (at.file->editable) text = files::read(at.path);
    if (!text) {
      throw CalendarStoreError(Loc::format(
          Loc::string("calendar.fileNotEditable", "Fichier illisible, laissé intact : %@"),
          {at.path}));
    }
    return *text;
  }

  // What the system refused about a file, as the status line tells it: in the user's words,
  // naming the file, the system's own reason last.
  static CalendarStoreError fileError(const fs::path& path, std::error_code reason, const char* key,
                                      const char* french) {
    return CalendarStoreError(Loc::format(Loc::string(key, french), {path.string()}) + " (" +
                              reason.message() + ")");
  }

  void write(const fs::path& path, const std::string& text) {
    try {
      files::writeAtomically(path, text);
    } catch (const std::system_error& e) {
      throw fileError(path, e.code(), "calendar.writeFailed", "Écriture impossible : %@");
    }
    cache.forget(path);
  }

  void erase(const fs::path& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
      throw fileError(path, std::error_code(errno, std::generic_category()),
                      "calendar.removeFailed", "Suppression impossible : %@");
    }
    cache.forget(path);
  }

  // Writes what an edit left: the file itself (or its removal) and the new file beside it.
  void apply(const ics::Edit& edit, const fs::path& path, const fs::path& createdFolder) {
    if (edit.created) write(createdFolder / (edit.created->first + ".ics"), edit.created->second);
    if (edit.updated) {
      write(path, *edit.updated);
    } else {
      erase(path);
    }
  }

  void save(CalendarEvent& event, EventSpan span) {
    requireAccess();
    if (event.eventIdentifier.empty()) {
      const fs::path folder = writableCalendarFolder(event.calendarID);
      const std::string uid = randomUUID();
      const std::string text = ics::newEventFile(event, uid, now());
      write(folder / (uid + ".ics"), text);
      event.eventIdentifier = uid;
      event.externalIdentifier = uid;
      return;
    }
    const std::optional<Located> at = writeTarget(event);
    const fs::path source = writableCalendarFolder(at->calendarID);
    const std::string target = event.calendarID.empty() ? at->calendarID : event.calendarID;
    const fs::path targetFolder = writableCalendarFolder(target);
    const std::string text = editableText(*at);
    const fs::path path = at->path;
    if (target == at->calendarID) {
      apply(ics::saveOccurrence(text, event, span, now()), path, source);
      return;
    }
    // Another calendar: what the edit concerns goes to its folder.
    const bool series = at->series->recurring() && event.occurrenceDate.has_value();
    if (series && span == EventSpan::thisEvent) {
      // One occurrence leaves its series and becomes a single event over there.
      CalendarEvent single = event;
      single.recurrenceRule.reset();
      single.occurrenceDate.reset();
      single.hasRecurrenceRules = false;
      const std::string uid = randomUUID();
      write(targetFolder / (uid + ".ics"), ics::newEventFile(single, uid, now()));
      apply(ics::removeOccurrence(text, event, EventSpan::thisEvent), path, source);
      event = std::move(single);
      event.eventIdentifier = uid;
      event.externalIdentifier = uid;
      return;
    }
    const ics::Edit edit = ics::saveOccurrence(text, event, span, now());
    if (series && edit.created) {
      // This and the following occurrences: the new series goes over, the past stays.
      apply(edit, path, targetFolder);
      return;
    }
    const fs::path moved = targetFolder / path.filename();
    std::error_code ec;
    if (fs::exists(moved, ec) || ec) {
      throw fileError(moved, ec ? ec : std::make_error_code(std::errc::file_exists),
                      "calendar.targetTaken", "Un fichier de ce nom est déjà là : %@");
    }
    if (edit.created) write(targetFolder / (edit.created->first + ".ics"), edit.created->second);
    if (edit.updated) write(moved, *edit.updated);
    erase(path);
  }

  void remove(const CalendarEvent& event, EventSpan span) {
    requireAccess();
    const std::optional<Located> at = writeTarget(event);
    const fs::path folder = writableCalendarFolder(at->calendarID);
    const std::string text = editableText(*at);
    apply(ics::removeOccurrence(text, event, span), at->path, folder);
  }
};

VdirCalendarStore::VdirCalendarStore(std::filesystem::path root,
                                     std::vector<std::string> userEmails, bool accessDisabled)
    : impl_(std::make_unique<Impl>(std::move(root), userEmails, accessDisabled)) {}

VdirCalendarStore::~VdirCalendarStore() = default;

std::vector<CalendarInfo> VdirCalendarStore::calendars() {
  std::lock_guard lock(impl_->mutex);
  if (impl_->disabled) return {};
  std::vector<CalendarInfo> out;
  for (const std::string& id : vdir::subfolders(impl_->root)) {
    const fs::path folder = impl_->root / id;
    CalendarInfo info;
    info.identifier = id;
    const std::optional<std::string> name = files::read(folder / "displayname");
    info.title = name ? std::string(text::trim(*name)) : std::string();
    if (info.title.empty()) info.title = id;
    if (const std::optional<std::string> color = files::read(folder / "color")) {
      info.colorHex = normalizedColor(*color);
    }
    info.allowsContentModifications = isWritableFolder(folder);
    out.push_back(std::move(info));
  }
  return out;
}

std::vector<CalendarEvent> VdirCalendarStore::events(const EventQuery& query) {
  std::vector<CalendarEvent> out;
  readEvents(query, [&](std::span<const CalendarEvent* const> found) {
    out.reserve(found.size());
    for (const CalendarEvent* e : found) out.push_back(*e);
  });
  return out;
}

void VdirCalendarStore::readEvents(const EventQuery& query, const EventReader& read) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->disabled || !(query.start < query.end)) return read({});
  std::vector<std::string> ids = vdir::subfolders(impl_->root);
  if (query.calendarIDs) {
    const std::set<std::string> wanted(query.calendarIDs->begin(), query.calendarIDs->end());
    std::erase_if(ids, [&](const std::string& id) { return !wanted.count(id); });
  }
  const std::vector<CalendarEvent> occurrences =
      impl_->cache.load(ids, ics::Window{query.start, query.end});
  std::vector<const CalendarEvent*> found;
  found.reserve(occurrences.size());
  for (const CalendarEvent& e : occurrences) found.push_back(&e);
  std::sort(found.begin(), found.end(), [](const CalendarEvent* a, const CalendarEvent* b) {
    return occurrenceBefore(*a, *b);
  });
  read(found);
}

std::optional<CalendarEvent> VdirCalendarStore::event(const std::string& eventIdentifier,
                                                      const std::string& calendarID) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->disabled) return std::nullopt;
  const auto at = impl_->locate(eventIdentifier, calendarID);
  if (!at) return std::nullopt;
  const ics::Series& s = *at->series;
  if (s.hasMaster) return s.master;
  if (!s.overrides.empty()) return s.overrides.front().event;
  return std::nullopt;
}

// A write fails with a CalendarStoreError only: anything else that went wrong on the way is told
// as one, the reason last.
template <typename Write>
void VdirCalendarStore::guardedWrite(Write&& write) {
  std::lock_guard lock(impl_->mutex);
  try {
    write();
  } catch (const CalendarStoreError&) {
    throw;
  } catch (const std::exception& e) {
    throw CalendarStoreError(
        Loc::string("calendar.writeFailedSomewhere", "Écriture du calendrier impossible") + " (" +
        e.what() + ")");
  }
}

void VdirCalendarStore::save(CalendarEvent& event, EventSpan span) {
  guardedWrite([&] { impl_->save(event, span); });
}

void VdirCalendarStore::remove(const CalendarEvent& event, EventSpan span) {
  guardedWrite([&] { impl_->remove(event, span); });
}

bool VdirCalendarStore::requestFullAccess() {
  std::lock_guard lock(impl_->mutex);
  if (impl_->disabled) return false;
  return isFolder(impl_->root) && ::access(impl_->root.c_str(), R_OK | X_OK) == 0;
}

}  // namespace talewick
