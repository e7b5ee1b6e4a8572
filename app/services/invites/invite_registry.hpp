// The invitations this device sent, and what their guests answered: "invites.json" in the
// "Quillon" folder of the data folder, one JSON array of records (dates as seconds since 2001),
// read once on first use and written whole, atomically, at each change.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/file_port.hpp"
#include "core/state_file.hpp"
#include "support/date.hpp"
#include "support/json.hpp"
#include "text/rsvp_record.hpp"

namespace talewick::invites {

struct SentInvitee {
  std::string email;
  std::optional<std::string> name;
  bool operator==(const SentInvitee&) const = default;
};

struct InviteRecord {
  std::string uid;
  std::string token;
  std::optional<std::string> eventIdentifier;  // the calendar event's
  std::optional<std::string> title;
  std::optional<std::string> fallbackKey;  // "quest_" + the quest's id
  std::vector<SentInvitee> sentInvitees;
  int64_t sequence = 0;
  std::vector<RSVPEntry> rsvp;
  std::optional<Date> lastFetched;  // the last successful read of the answers
  bool operator==(const InviteRecord&) const = default;
};

void to_json(Json& j, const SentInvitee& v);
void from_json(const Json& j, SentInvitee& v);
void to_json(Json& j, const InviteRecord& v);
void from_json(const Json& j, InviteRecord& v);

class InviteRegistry {
 public:
  static constexpr const char* FOLDER = "Quillon";
  static constexpr const char* FILE_NAME = "invites.json";

  // `path` is the file; a damaged one is set aside (FILE.damaged) and said on `diagnostics`.
  InviteRegistry(FilePort& files, std::filesystem::path path, std::ostream& diagnostics);

  // Every record by UID.
  const std::map<std::string, InviteRecord>& records();
  // The record of the event `eventIdentifier`, else the one whose fallback key is `fallbackKey`.
  std::optional<InviteRecord> record(const std::string& eventIdentifier,
                                     const std::string& fallbackKey);

  // Stores `record` (replacing the one with its UID). Throws FileError, changing nothing, when
  // the file cannot be written.
  void put(const InviteRecord& record);
  // On the record `uid`: its answers, sequence and last read replaced. Unknown UID: nothing.
  void applyRSVP(const std::string& uid, const std::vector<RSVPEntry>& entries, int64_t sequence,
                 Date fetchedAt);

  const std::filesystem::path& path() const { return file_.path(); }

 private:
  void save(std::map<std::string, InviteRecord> records);

  StateFile file_;
  std::optional<std::map<std::string, InviteRecord>> records_;  // loaded on first use
};

}  // namespace talewick::invites
