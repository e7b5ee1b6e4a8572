// The one walk of a recurrence rule: the starts a rule gives a series, in order. The reader
// expands a window with it and the editor looks for occurrences with it, so that both see the
// same ones.
//
// Rules of whole days (DAILY and coarser, no BYHOUR, BYMINUTE or BYSECOND) are walked over dates
// and the time of DTSTART is put back on each: libical's iterator otherwise keeps the shift of a
// time that fell into a summer-time gap for every later occurrence. UNTIL is then checked here,
// against the real instants.
#pragma once

#include <libical/ical.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/ics/times.hpp"
#include "support/date.hpp"

namespace talewick::ics {

struct Rule {
  icalrecurrencetype recur;
  std::string rscale;  // kept here: the rule's own pointer dies with the parsed file
  // An INTERVAL too large for libical, whose second period starts after year 9999: only the
  // first period has occurrences, and `recur` is the rule without its INTERVAL.
  bool firstPeriodOnly = false;
};

// An RRULE value as libical reads it; an extension part it does not know (an X- part) is left
// out, and a rule in another calendar scale (RSCALE) is not read. nullopt when it does not read.
std::optional<icalrecurrencetype> ruleOf(const std::string& value);

// Called with each start (its instant, its wall time on the series' clock); false stops the walk.
using RuleVisit = std::function<bool(Date at, const icaltimetype& wall)>;

// Walks the starts `rule` gives a series starting at `start`, in order, passing over those before
// `from` (which the walk may then skip without computing them), while `visit` returns true.
// Returns whether the walk ended: the rule ran out, or `visit` stopped it. False when libical
// cannot walk the rule, or when the walk gave up after a bounded number of steps.
bool walkRule(const Rule& rule, const Stamp& start, std::optional<Date> from,
              const RuleVisit& visit);

}  // namespace talewick::ics
