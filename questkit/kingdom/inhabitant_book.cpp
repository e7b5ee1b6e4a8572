#include "kingdom/inhabitant_book.hpp"

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick::InhabitantBook {

using json_coding::Field;

namespace {

// The ledger's order: the oldest first; the id settles entries of one instant.
bool older(const Entry& a, const Entry& b) {
  return std::tie(a.date, a.id) < std::tie(b.date, b.id);
}

void add(LienTally& tally, const Entry& e) {
  tally.sharedMeetings += e.sharedMeetings;
  tally.coHandledTickets += e.coHandledTickets;
  tally.completedForYou += e.completedForYou;
}

void add(LienTally& tally, const LienTally& more) {
  tally.sharedMeetings += more.sharedMeetings;
  tally.coHandledTickets += more.coHandledTickets;
  tally.completedForYou += more.completedForYou;
}

LienTally atLeast(const LienTally& a, const LienTally& b) {
  return {std::max(a.sharedMeetings, b.sharedMeetings),
          std::max(a.coHandledTickets, b.coHandledTickets),
          std::max(a.completedForYou, b.completedForYou)};
}

bool worthNothing(const Entry& e) {
  return e.sharedMeetings == 0 && e.coHandledTickets == 0 && e.completedForYou == 0;
}

// Whole seconds in UTC: sightings of one format order as text as they do in time.
std::string isoOf(Date at) { return iso8601::format(Date{std::floor(at.seconds)}, 0); }

Inhabitant* findMutable(std::vector<Inhabitant>& people, const std::string& id) {
  const auto it =
      std::find_if(people.begin(), people.end(), [&](const Inhabitant& i) { return i.id == id; });
  return it == people.end() ? nullptr : &*it;
}

bool isAddress(const std::string& name) { return name.find('@') != std::string::npos; }

// A person's name beats an address standing in for one, and anything beats nothing.
bool betterName(const std::string& candidate, const std::string& current) {
  if (candidate.empty()) return false;
  return current.empty() || (isAddress(current) && !isAddress(candidate));
}

// The name two records of one person settle on, whichever comes first.
std::string preferredName(const std::string& a, const std::string& b) {
  if (betterName(a, b)) return a;
  if (betterName(b, a)) return b;
  return std::min(a, b);
}

int64_t stampOf(const std::map<std::string, int64_t>& stamps, const std::string& id) {
  const auto it = stamps.find(id);
  return it == stamps.end() ? 0 : it->second;
}

// Entries, settled tallies and the name decision of `from` now belong to `to`.
void redirect(Book& book, const std::string& from, const std::string& to) {
  for (Entry& e : book.ledger) {
    if (e.inhabitantID == from) e.inhabitantID = to;
  }
  if (const auto it = book.settled.find(from); it != book.settled.end()) {
    const LienTally moved = it->second;
    book.settled.erase(it);
    add(book.settled[to], moved);
  }
  if (const auto it = book.nameVersions.find(from); it != book.nameVersions.end()) {
    const int64_t stamp = it->second;
    book.nameVersions.erase(it);
    book.nameVersions.try_emplace(to, stamp);
  }
}

// The people of two books being put together, with the user-given names' decisions, and where
// each side's ids went.
class Union {
 public:
  void add(int side, const Book& book) {
    for (const Inhabitant& r : book.inhabitants) {
      const int64_t stamp = stampOf(book.nameVersions, r.id);
      const std::vector<AliasKey> keys(r.aliases.begin(), r.aliases.end());
      const std::optional<Inhabitant> found = InhabitantRegistry::resolve(keys, people_);
      if (!found) {
        Inhabitant fresh = r;
        fresh.id = unused(r.id);
        if (fresh.pseudo) stamps_[fresh.id] = stamp;
        ids_[side][r.id] = fresh.id;
        people_.push_back(std::move(fresh));
        continue;
      }
      size_t at = indexOf(found->id);
      foldInto(at, r, stamp);
      ids_[side][r.id] = people_[at].id;
      // The keys just joined may reach people kept apart so far: they are this one too.
      for (size_t j = 0; j < people_.size();) {
        const bool same = j != at && shares(people_[j], keys) &&
                          !InhabitantRegistry::contradicts(people_[j].aliases, people_[at].aliases);
        if (!same) {
          ++j;
          continue;
        }
        const Inhabitant other = people_[j];
        const int64_t otherStamp = stampOf(stamps_, other.id);
        stamps_.erase(other.id);
        people_.erase(people_.begin() + static_cast<std::ptrdiff_t>(j));
        if (j < at) --at;
        foldInto(at, other, otherStamp);
        redirect(other.id, people_[at].id);
      }
    }
  }

  // Where `id` of `side` went; nullopt for an id that side never had.
  std::optional<std::string> idOf(int side, const std::string& id) const {
    const auto it = ids_[side].find(id);
    return it == ids_[side].end() ? std::nullopt : std::optional(it->second);
  }

  std::vector<Inhabitant> people() const { return people_; }
  std::map<std::string, int64_t> stamps() const { return stamps_; }

 private:
  size_t indexOf(const std::string& id) const {
    for (size_t i = 0; i < people_.size(); ++i) {
      if (people_[i].id == id) return i;
    }
    return people_.size();
  }

  bool taken(const std::string& id) const { return indexOf(id) != people_.size(); }

  // Two different people who took one id on two machines: the later one gets a suffix.
  std::string unused(const std::string& id) const {
    if (!taken(id)) return id;
    for (size_t n = 2;; ++n) {
      std::string candidate = id + "#" + std::to_string(n);
      if (!taken(candidate)) return candidate;
    }
  }

  static bool shares(const Inhabitant& i, const std::vector<AliasKey>& keys) {
    return std::any_of(keys.begin(), keys.end(),
                       [&](const AliasKey& k) { return i.aliases.contains(k); });
  }

  // `other` joined into people_[at], which keeps its id. The registry's absorb makes the union;
  // what it keeps of its first argument (names, sprite, a kind of equal certainty) is settled
  // here by rules that do not depend on which record comes first, so that every machine settles
  // alike.
  void foldInto(size_t at, const Inhabitant& other, int64_t otherStamp) {
    Inhabitant& into = people_[at];
    const int64_t intoStamp = stampOf(stamps_, into.id);
    Inhabitant one = into;
    InhabitantRegistry::absorb(one, other);
    Inhabitant two = other;
    InhabitantRegistry::absorb(two, into);
    Inhabitant out = one;
    if (one.kind != two.kind) out.kind = std::min(one.kind, two.kind);
    out.displayName = preferredName(into.displayName, other.displayName);
    if (into.spriteAssetName && other.spriteAssetName) {
      out.spriteAssetName = std::min(*into.spriteAssetName, *other.spriteAssetName);
    }
    int64_t stamp = into.pseudo ? intoStamp : otherStamp;
    if (into.pseudo && other.pseudo && *into.pseudo != *other.pseudo) {
      const bool otherWins =
          otherStamp > intoStamp || (otherStamp == intoStamp && *other.pseudo < *into.pseudo);
      if (otherWins) {
        out.pseudo = other.pseudo;
        stamp = otherStamp;
      }
    } else if (into.pseudo && other.pseudo) {
      stamp = std::max(intoStamp, otherStamp);
    }
    if (out.pseudo) {
      stamps_[out.id] = stamp;
    } else {
      stamps_.erase(out.id);
    }
    into = std::move(out);
  }

  void redirect(const std::string& from, const std::string& to) {
    for (auto& side : ids_) {
      for (auto& [_, id] : side) {
        if (id == from) id = to;
      }
    }
  }

  std::vector<Inhabitant> people_;
  std::map<std::string, int64_t> stamps_;
  std::map<std::string, std::string> ids_[2];
};

}  // namespace

Book normalized(Book book) {
  std::sort(book.inhabitants.begin(), book.inhabitants.end(),
            [](const Inhabitant& a, const Inhabitant& b) { return a.id < b.id; });
  std::map<std::string, LienTally*> tallies;
  for (Inhabitant& i : book.inhabitants) tallies[i.id] = &i.links;

  std::unordered_set<std::string> seen;
  std::erase_if(book.ledger, [&](const Entry& e) {
    return !tallies.contains(e.inhabitantID) || !seen.insert(e.id).second;
  });
  std::stable_sort(book.ledger.begin(), book.ledger.end(), older);
  if (book.ledger.size() > LEDGER_LIMIT) {
    const auto cut = book.ledger.end() - static_cast<std::ptrdiff_t>(LEDGER_LIMIT);
    for (auto it = book.ledger.begin(); it != cut; ++it) add(book.settled[it->inhabitantID], *it);
    book.ledger.erase(book.ledger.begin(), cut);
  }
  std::erase_if(book.settled, [&](const auto& s) {
    return !tallies.contains(s.first) || s.second == LienTally{};
  });
  std::erase_if(book.nameVersions, [&](const auto& n) {
    const Inhabitant* named = find(book, n.first);
    return !named || !named->pseudo;
  });

  for (Inhabitant& i : book.inhabitants) {
    const auto settled = book.settled.find(i.id);
    i.links = settled == book.settled.end() ? LienTally{} : settled->second;
  }
  for (const Entry& e : book.ledger) add(*tallies[e.inhabitantID], e);
  return book;
}

namespace {

// Whether `i` holds all the encounter would tell it: its keys, its kind, a sighting within what
// is known, and no better name. A calendar read again is mostly such encounters.
bool holds(const Inhabitant& i, const Encounter& e, const std::string& seenISO) {
  const std::vector<AliasKey> keys = InhabitantRegistry::normalizeKeys(e.contribution.keys);
  return i.kind == e.kind && i.firstSeenISO <= seenISO && i.lastSeenISO &&
         seenISO <= *i.lastSeenISO && !betterName(e.displayName, i.displayName) &&
         std::all_of(keys.begin(), keys.end(),
                     [&](const AliasKey& k) { return i.aliases.contains(k); });
}

std::set<std::string> idsOf(const std::vector<Inhabitant>& people) {
  std::set<std::string> ids;
  for (const Inhabitant& i : people) ids.insert(i.id);
  return ids;
}

}  // namespace

bool meet(Book& book, const std::vector<Encounter>& encounters) {
  const Book before = book;
  std::unordered_map<std::string, std::string> counted;  // entry id → inhabitant id
  for (const Entry& e : book.ledger) counted.emplace(e.id, e.inhabitantID);
  std::set<std::string> ids = idsOf(book.inhabitants);
  for (const Encounter& encounter : encounters) {
    const ReputationLedger::Contribution& c = encounter.contribution;
    const std::string seenISO = isoOf(encounter.at);
    if (const auto known = counted.find(c.id); known != counted.end()) {
      const Inhabitant* met = find(book, known->second);
      if (met && holds(*met, encounter, seenISO)) continue;
    }
    const size_t people = book.inhabitants.size();
    const std::optional<std::string> id = InhabitantRegistry::upsert(
        c.keys, encounter.displayName, encounter.kind, seenISO, book.inhabitants);
    if (!id) continue;
    ids.insert(*id);
    if (book.inhabitants.size() < people) {
      // The keys showed known inhabitants to be this one: what they had is this one's.
      std::set<std::string> now = idsOf(book.inhabitants);
      for (const std::string& gone : ids) {
        if (!now.contains(gone)) redirect(book, gone, *id);
      }
      for (auto& [_, to] : counted) {
        if (!now.contains(to)) to = *id;
      }
      ids = std::move(now);
    }
    Inhabitant& person = *findMutable(book.inhabitants, *id);
    if (person.firstSeenISO.empty() || seenISO < person.firstSeenISO) {
      person.firstSeenISO = seenISO;
    }
    if (betterName(encounter.displayName, person.displayName)) {
      person.displayName = encounter.displayName;
    }

    const Entry entry{
        c.id, *id, encounter.at, c.sharedMeetings, c.coHandledTickets, c.completedForYou};
    const bool full = book.ledger.size() >= LEDGER_LIMIT;
    if (entry.id.empty() || worthNothing(entry) || counted.contains(entry.id) ||
        (full && older(entry, book.ledger.front()))) {
      continue;
    }
    counted.emplace(entry.id, *id);
    book.ledger.push_back(entry);
  }
  book = normalized(std::move(book));
  return book != before;
}

Book merged(const Book& a, const Book& b) {
  const Book* sides[2] = {&a, &b};
  Union people;
  people.add(0, a);
  people.add(1, b);

  Book out;
  out.version = std::max(a.version, b.version);
  out.inhabitants = people.people();
  out.nameVersions = people.stamps();

  // Each side's entries, pointed at the merged people; an entry both sides hold is one.
  std::vector<Entry> all;
  std::unordered_set<std::string> ids;
  for (int side = 0; side < 2; ++side) {
    for (Entry e : sides[side]->ledger) {
      const auto to = people.idOf(side, e.inhabitantID);
      if (!to) continue;
      e.inhabitantID = *to;
      if (ids.insert(e.id).second) all.push_back(std::move(e));
    }
  }
  std::stable_sort(all.begin(), all.end(), older);
  const size_t cut = all.size() > LEDGER_LIMIT ? all.size() - LEDGER_LIMIT : 0;
  std::unordered_set<std::string> kept;
  for (size_t i = cut; i < all.size(); ++i) kept.insert(all[i].id);
  out.ledger.assign(all.begin() + static_cast<std::ptrdiff_t>(cut), all.end());

  // What lies outside the merged ledger was counted by each side as its settled tally plus its
  // entries now left out. Both sides counted the same past where they overlap, so the larger
  // count holds it without counting anything twice, and no tally either side held goes down.
  for (int side = 0; side < 2; ++side) {
    std::map<std::string, LienTally> before;
    for (const auto& [id, tally] : sides[side]->settled) {
      if (const auto to = people.idOf(side, id)) add(before[*to], tally);
    }
    for (const Entry& e : sides[side]->ledger) {
      if (kept.contains(e.id)) continue;
      if (const auto to = people.idOf(side, e.inhabitantID)) add(before[*to], e);
    }
    for (const auto& [id, tally] : before) out.settled[id] = atLeast(out.settled[id], tally);
  }
  return normalized(std::move(out));
}

std::optional<Refusal> mergeInhabitants(Book& book, const std::string& kept,
                                        const std::string& absorbed) {
  if (kept == absorbed) return Refusal{Refusal::Reason::sameInhabitant, kept};
  for (const std::string& id : {kept, absorbed}) {
    if (!find(book, id)) return Refusal{Refusal::Reason::unknownInhabitant, id};
  }
  const Inhabitant gone = *find(book, absorbed);
  std::erase_if(book.inhabitants, [&](const Inhabitant& i) { return i.id == absorbed; });
  Inhabitant& into = *findMutable(book.inhabitants, kept);
  const std::string derived = preferredName(into.displayName, gone.displayName);
  InhabitantRegistry::absorb(into, gone);
  // The name the other machines' copies settle on when they fold the two (see merged).
  into.displayName = derived;
  book.nameVersions.erase(kept);
  redirect(book, absorbed, kept);
  book.version += 1;
  // The user chose this inhabitant, names included: a decision newer than any other copy's.
  if (into.pseudo) book.nameVersions[kept] = book.version;
  book = normalized(std::move(book));
  return std::nullopt;
}

std::optional<Refusal> rename(Book& book, const std::string& id, const std::string& name) {
  const std::string trimmed(text::trim(name));
  if (trimmed.empty()) return Refusal{Refusal::Reason::emptyName, ""};
  if (text::hasControlCharacters(trimmed)) {
    return Refusal{Refusal::Reason::controlCharacters, trimmed};
  }
  Inhabitant* named = findMutable(book.inhabitants, id);
  if (!named) return Refusal{Refusal::Reason::unknownInhabitant, id};
  book.version += 1;
  named->pseudo = trimmed;
  book.nameVersions[id] = book.version;
  return std::nullopt;
}

std::string shownName(const Inhabitant& inhabitant) {
  if (inhabitant.pseudo && !inhabitant.pseudo->empty()) return *inhabitant.pseudo;
  return inhabitant.displayName.empty() ? inhabitant.id : inhabitant.displayName;
}

const Inhabitant* find(const Book& book, const std::string& id) {
  for (const Inhabitant& i : book.inhabitants) {
    if (i.id == id) return &i;
  }
  return nullptr;
}

namespace {

std::vector<std::string> addressesOf(const Inhabitant& i) {
  std::vector<std::string> out;
  for (const AliasKey& k : i.aliases) {
    if (k.kind == AliasKey::Case::email) out.push_back(k.value);
  }
  return out;
}

}  // namespace

std::vector<QuestOfferGivers::Actor> actors(const Book& book) {
  std::vector<QuestOfferGivers::Actor> out;
  for (const Inhabitant& i : book.inhabitants) {
    const std::vector<std::string> addresses = addressesOf(i);
    out.push_back({i.id, shownName(i), std::set<std::string>(addresses.begin(), addresses.end()),
                   i.kind == Inhabitant::Kind::current});
  }
  return out;
}

std::map<std::string, std::string> aliases(const Book& book) {
  std::map<std::string, std::string> out;
  for (const Inhabitant& i : book.inhabitants) {
    const std::vector<std::string> addresses = addressesOf(i);
    const std::string known = addresses.empty() ? shownName(i) : addresses.front();
    // A name two people share stays with the first: it cannot say which of them gave the offer.
    for (const AliasKey& k : i.aliases) {
      if (k.kind == AliasKey::Case::name) out.try_emplace(k.value, known);
    }
    if (!i.displayName.empty()) out.try_emplace(i.displayName, known);
  }
  return out;
}

static const auto kEntryFields = std::tuple{Field{"id", &Entry::id},
                                            Field{"inhabitantID", &Entry::inhabitantID},
                                            Field{"date", &Entry::date},
                                            Field{"sharedMeetings", &Entry::sharedMeetings},
                                            Field{"coHandledTickets", &Entry::coHandledTickets},
                                            Field{"completedForYou", &Entry::completedForYou}};
TALEWICK_JSON_CODING(Entry, kEntryFields)

static const auto kBookFields =
    std::tuple{Field{"version", &Book::version}, Field{"inhabitants", &Book::inhabitants},
               Field{"ledger", &Book::ledger}, Field{"settled", &Book::settled},
               Field{"nameVersions", &Book::nameVersions}};

void to_json(Json& j, const Book& v) { json_coding::writeFields(j, v, kBookFields); }

void from_json(const Json& j, Book& v) {
  json_coding::readFields(j, v, kBookFields);
  std::set<std::string> ids;
  for (size_t i = 0; i < v.inhabitants.size(); ++i) {
    if (ids.insert(v.inhabitants[i].id).second) continue;
    throw DecodeError("id", Loc::format(Loc::string("json.duplicateID", "identifiant répété : %@"),
                                        {v.inhabitants[i].id}))
        .within("[" + std::to_string(i) + "]")
        .within("inhabitants");
  }
  v = normalized(std::move(v));
}

}  // namespace talewick::InhabitantBook
