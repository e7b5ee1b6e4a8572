// The events of one .ics file, read with libical: each UID's series (series.hpp), ready to be
// expanded into occurrences (occurrences.hpp).
//
// A file libical cannot read, or one where it had to drop a time (a DTSTART, an RRULE…), gives
// nothing: its occurrences would be wrong. A file where libical papered over another error reads,
// but is not to be rewritten (`editable` is false): writing it back would lose what was dropped.
// Any bytes at all may come in.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "platform/ics/series.hpp"
#include "platform/ics/zones.hpp"

namespace talewick::ics {

struct ParsedFile {
  bool ok = false;        // also for a file holding no event, only other components (a VTODO)
  bool editable = false;  // parsed without any error libical had to paper over
  std::vector<Series> series;
  std::vector<std::string> unknownZones;  // TZIDs read on the local clock for want of a zone
};

class Reader {
 public:
  // `userAddresses` are the user's own addresses as normalizedAddress writes them: attendees and
  // organizers with one of them are the current user. Both arguments must outlive the reader.
  Reader(ZoneRegistry& registry, const std::unordered_set<std::string>& userAddresses)
      : registry_(registry), userAddresses_(userAddresses) {}

  // The events of `text`, placed in the calendar `calendarID`.
  ParsedFile read(const std::string& text, const std::string& calendarID) const;

 private:
  ZoneRegistry& registry_;
  const std::unordered_set<std::string>& userAddresses_;
};

}  // namespace talewick::ics
