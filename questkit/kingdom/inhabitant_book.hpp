// The inhabitants book: the people this user has met and the ledger of what each one earned,
// kept so that the user's machines, each meeting people on its own, converge on one book.
//
// Every tally is derived: an inhabitant's links are the sum of the ledger entries that went to it
// plus what it had earned before those entries left the ledger. Two books merge as the union of
// their people and of their entries, so a meeting both machines saw counts once. The ledger keeps
// the newest LEDGER_LIMIT entries; older ones are folded into their inhabitant's settled tally,
// and a contribution older than the oldest entry of a full ledger is no longer counted (it was
// counted and folded, or it is too old to count now), which keeps two machines from counting
// again what one of them folded.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "kingdom/inhabitants.hpp"
#include "kingdom/quest_offers.hpp"
#include "kingdom/reputation.hpp"
#include "support/date.hpp"
#include "support/json.hpp"

namespace talewick::InhabitantBook {

// Sized for years of meetings; a book of this size still encodes to a few hundred kilobytes, which
// the cloud store takes as one value.
inline constexpr size_t LEDGER_LIMIT = 5000;

// One counted contribution: a meeting, ticket or task shared with one inhabitant.
struct Entry {
  std::string id;            // "meeting:<occurrence>:<person>"…: the same on every machine
  std::string inhabitantID;  // who it went to
  Date date;                 // when it happened: the ledger keeps the newest
  int64_t sharedMeetings = 0;
  int64_t coHandledTickets = 0;
  int64_t completedForYou = 0;
  bool operator==(const Entry&) const = default;
};

struct Book {
  // The user's decisions (renames, merges) this book has seen, counted across machines: each new
  // decision takes the next number, and a merge keeps the higher count.
  int64_t version = 0;
  std::vector<Inhabitant> inhabitants;  // by id; links derived
  std::vector<Entry> ledger;            // oldest first, by date then id
  // What each inhabitant earned from entries that left the ledger.
  std::map<std::string, LienTally> settled;
  // The decision (a version) that gave each user-given name (an inhabitant's pseudo).
  std::map<std::string, int64_t> nameVersions;
  bool operator==(const Book&) const = default;
};

// Decoding refuses two inhabitants with one id and answers the book normalised.
void to_json(Json& j, const Entry& v);
void from_json(const Json& j, Entry& v);
void to_json(Json& j, const Book& v);
void from_json(const Json& j, Book& v);

// A person seen at `at` under the contribution's keys, and what was shared with them then.
struct Encounter {
  ReputationLedger::Contribution contribution;
  std::string displayName;  // as the source names the person
  Inhabitant::Kind kind = Inhabitant::Kind::external;
  Date at;
  bool operator==(const Encounter&) const = default;
};

struct Refusal {
  enum class Reason {
    unknownInhabitant,  // `subject` is the id
    sameInhabitant,     // an inhabitant merged into itself
    emptyName,
    controlCharacters,  // `subject` is the refused name
  };
  Reason reason;
  std::string subject;
  bool operator==(const Refusal&) const = default;
};

// The book in its one canonical form: inhabitants by id, the ledger sorted, entries repeated by
// id dropped, the ledger bounded, tallies derived, settled and names of nobody dropped.
Book normalized(Book book);

// Records each encounter: the person is found or created through the registry (dated by the
// encounter, so that reading the same calendar again changes nothing), a better name replaces an
// address used as a name, and the contribution joins the ledger unless it is there already, is
// worth nothing, or is older than a full ledger. True when the book changed.
bool meet(Book& book, const std::vector<Encounter>& encounters);

// The union of two books, the same whichever side is `a` but for the ids: people who carry a
// common key without contradicting each other become one, under `a`'s id (a machine merging
// what the cloud holds into its own book keeps the ids its user knows), with every key, the
// earliest first and latest last sighting, the more certain kind, a real name before an address,
// and the user-given name of the later decision (of equal ones, the first in text order).
// Entries are united by id and every tally derived again.
Book merged(const Book& a, const Book& b);

// The user's decision that `absorbed` is `kept`: its keys and entries move to `kept`, which keeps
// its names (or takes the user-given name of `absorbed` when it has none).
std::optional<Refusal> mergeInhabitants(Book& book, const std::string& kept,
                                        const std::string& absorbed);

// Gives `id` the user's name for it, trimmed; an empty name or one holding control characters
// is refused.
std::optional<Refusal> rename(Book& book, const std::string& id, const std::string& name);

// The user-given name, else the name the sources gave, else the id.
std::string shownName(const Inhabitant& inhabitant);

// The inhabitant with that id; nullptr when there is none.
const Inhabitant* find(const Book& book, const std::string& id);

// The inhabitants as givers of quest offers: each with its shown name and its addresses, and
// every other name it is known by pointing at its first address (or its shown name).
std::vector<QuestOfferGivers::Actor> actors(const Book& book);
std::map<std::string, std::string> aliases(const Book& book);

}  // namespace talewick::InhabitantBook
