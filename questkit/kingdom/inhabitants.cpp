#include "kingdom/inhabitants.hpp"

#include <algorithm>
#include <tuple>

#include "support/text.hpp"

namespace talewick {

using json_coding::Field;

namespace {

std::optional<AliasKey> keyOf(AliasKey::Case kind, std::string value) {
  if (value.empty()) return std::nullopt;
  return AliasKey{kind, std::move(value)};
}

// Account-like keys: a person holds one of each, so two different ones mean two people.
constexpr std::array kAccountCases{AliasKey::Case::linearMember, AliasKey::Case::familyProfile,
                                   AliasKey::Case::todoistAssignee};

std::set<std::string> valuesOf(const std::set<AliasKey>& keys, AliasKey::Case kind) {
  std::set<std::string> out;
  for (const AliasKey& k : keys) {
    if (k.kind == kind) out.insert(k.value);
  }
  return out;
}

bool disjointAndBothPresent(const std::set<std::string>& a, const std::set<std::string>& b) {
  if (a.empty() || b.empty()) return false;
  return std::none_of(a.begin(), a.end(), [&](const std::string& v) { return b.contains(v); });
}

bool sharesKeyOtherThanName(const std::set<AliasKey>& a, const std::set<AliasKey>& b) {
  return std::any_of(a.begin(), a.end(), [&](const AliasKey& k) {
    return k.kind != AliasKey::Case::name && b.contains(k);
  });
}

bool carriesAny(const Inhabitant& i, const std::vector<AliasKey>& keys) {
  return std::any_of(keys.begin(), keys.end(),
                     [&](const AliasKey& k) { return i.aliases.contains(k); });
}

// How much a kind says about the person: the user, then a known relation, then a stranger.
int certainty(Inhabitant::Kind kind) {
  switch (kind) {
    case Inhabitant::Kind::current:
      return 2;
    case Inhabitant::Kind::colleague:
    case Inhabitant::Kind::family:
      return 1;
    case Inhabitant::Kind::external:
      return 0;
  }
  return 0;
}

}  // namespace

void InhabitantRegistry::absorb(Inhabitant& into, const Inhabitant& other) {
  into.aliases.insert(other.aliases.begin(), other.aliases.end());
  into.links.sharedMeetings += other.links.sharedMeetings;
  into.links.coHandledTickets += other.links.coHandledTickets;
  into.links.completedForYou += other.links.completedForYou;
  if (into.displayName.empty()) into.displayName = other.displayName;
  if (!into.pseudo) into.pseudo = other.pseudo;
  if (!into.spriteAssetName) into.spriteAssetName = other.spriteAssetName;
  if (certainty(other.kind) > certainty(into.kind)) into.kind = other.kind;
  // ISO-8601 texts of one format order as their instants.
  if (!other.firstSeenISO.empty() &&
      (into.firstSeenISO.empty() || other.firstSeenISO < into.firstSeenISO)) {
    into.firstSeenISO = other.firstSeenISO;
  }
  if (other.lastSeenISO && (!into.lastSeenISO || *into.lastSeenISO < *other.lastSeenISO)) {
    into.lastSeenISO = other.lastSeenISO;
  }
}

namespace {

std::string unusedID(const std::string& base, const std::vector<Inhabitant>& inhabitants) {
  auto taken = [&](const std::string& id) {
    return std::any_of(inhabitants.begin(), inhabitants.end(),
                       [&](const Inhabitant& i) { return i.id == id; });
  };
  if (!taken(base)) return base;
  for (size_t n = 2;; ++n) {
    std::string candidate = base + "#" + std::to_string(n);
    if (!taken(candidate)) return candidate;
  }
}

std::vector<AliasKey> byTrust(std::vector<AliasKey> keys) {
  std::stable_sort(keys.begin(), keys.end(),
                   [](const AliasKey& a, const AliasKey& b) { return a.kind < b.kind; });
  return keys;
}

std::optional<size_t> resolveIndex(const std::vector<AliasKey>& keys,
                                   const std::vector<Inhabitant>& inhabitants) {
  const std::set<AliasKey> wanted(keys.begin(), keys.end());
  for (const AliasKey& key : byTrust(keys)) {
    for (size_t i = 0; i < inhabitants.size(); ++i) {
      const Inhabitant& candidate = inhabitants[i];
      if (candidate.aliases.contains(key) &&
          !InhabitantRegistry::contradicts(candidate.aliases, wanted)) {
        return i;
      }
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<AliasKey> AliasKey::email(std::string_view raw) {
  return keyOf(Case::email, text::lower(text::trim(raw)));
}
std::optional<AliasKey> AliasKey::linearMember(std::string_view raw) {
  return keyOf(Case::linearMember, std::string(text::trim(raw)));
}
std::optional<AliasKey> AliasKey::familyProfile(std::string_view raw) {
  return keyOf(Case::familyProfile, std::string(text::trim(raw)));
}
std::optional<AliasKey> AliasKey::todoistAssignee(std::string_view raw) {
  return keyOf(Case::todoistAssignee, std::string(text::trim(raw)));
}
std::optional<AliasKey> AliasKey::name(std::string_view raw) {
  return keyOf(Case::name, text::fold(text::trim(raw)));
}
std::optional<AliasKey> AliasKey::make(Case kind, std::string_view raw) {
  switch (kind) {
    case Case::email:
      return email(raw);
    case Case::linearMember:
      return linearMember(raw);
    case Case::familyProfile:
      return familyProfile(raw);
    case Case::todoistAssignee:
      return todoistAssignee(raw);
    case Case::name:
      return name(raw);
  }
  return std::nullopt;
}

void PrintTo(const AliasKey& v, std::ostream* os) { *os << rawValue(v.kind) << ':' << v.value; }

void to_json(Json& j, const AliasKey& v) {
  j = Json{{std::string(rawValue(v.kind)), Json{{"_0", v.value}}}};
}

void from_json(const Json& j, AliasKey& v) {
  if (!j.is_object() || j.size() != 1) {
    json_coding::fail("expected an object with one key naming the alias kind");
  }
  const auto it = j.begin();
  const auto kind = fromRaw<AliasKey::Case>(it.key());
  if (!kind) throw DecodeError(it.key(), json_coding::reasonUnknownValue(it.key()));
  std::string raw;
  try {
    if (!it.value().is_object()) json_coding::fail(json_coding::reasonExpected("object"));
    const auto payload = it.value().find("_0");
    if (payload == it.value().end()) throw DecodeError("_0", json_coding::reasonMissing());
    try {
      json_coding::decode(*payload, raw);
    } catch (const DecodeError& e) {
      throw e.within("_0");
    }
  } catch (const DecodeError& e) {
    throw e.within(it.key());
  }
  v = AliasKey{*kind, std::move(raw)};
}

static const auto kTallyFields = std::tuple{Field{"sharedMeetings", &LienTally::sharedMeetings},
                                            Field{"coHandledTickets", &LienTally::coHandledTickets},
                                            Field{"completedForYou", &LienTally::completedForYou}};
TALEWICK_JSON_CODING(LienTally, kTallyFields)

void to_json(Json& j, const Inhabitant& v) {
  j = Json::object();
  j["id"] = v.id;
  j["displayName"] = v.displayName;
  if (v.pseudo) j["pseudo"] = *v.pseudo;
  if (v.spriteAssetName) j["spriteAssetName"] = *v.spriteAssetName;
  j["kind"] = std::string(rawValue(v.kind));
  Json aliases = Json::array();
  for (const AliasKey& k : v.aliases) aliases.push_back(k);
  j["aliases"] = std::move(aliases);
  j["links"] = v.links;
  j["firstSeenISO"] = v.firstSeenISO;
  if (v.lastSeenISO) j["lastSeenISO"] = *v.lastSeenISO;
}

namespace {
// The set's JSON is an array; the record's other fields go through the shared field list.
struct InhabitantFields {
  static const auto& list() {
    static const auto fields = std::tuple{Field{"id", &Inhabitant::id},
                                          Field{"displayName", &Inhabitant::displayName},
                                          Field{"pseudo", &Inhabitant::pseudo},
                                          Field{"spriteAssetName", &Inhabitant::spriteAssetName},
                                          Field{"kind", &Inhabitant::kind},
                                          Field{"links", &Inhabitant::links},
                                          Field{"firstSeenISO", &Inhabitant::firstSeenISO},
                                          Field{"lastSeenISO", &Inhabitant::lastSeenISO}};
    return fields;
  }
};
}  // namespace

void from_json(const Json& j, Inhabitant& v) {
  json_coding::readFields(j, v, InhabitantFields::list());
  const auto it = j.find("aliases");
  if (it == j.end()) throw DecodeError("aliases", json_coding::reasonMissing());
  std::vector<AliasKey> keys;
  try {
    json_coding::decode(*it, keys);
  } catch (const DecodeError& e) {
    throw e.within("aliases");
  }
  v.aliases = std::set<AliasKey>(keys.begin(), keys.end());
}

namespace InhabitantRegistry {

std::vector<AliasKey> normalizeKeys(const std::vector<AliasKey>& keys) {
  std::vector<AliasKey> out;
  for (const AliasKey& k : keys) {
    const auto normal = AliasKey::make(k.kind, k.value);
    if (normal && std::find(out.begin(), out.end(), *normal) == out.end()) out.push_back(*normal);
  }
  return out;
}

std::optional<std::string> derivedID(const std::vector<AliasKey>& keys) {
  const std::vector<AliasKey> normal = byTrust(normalizeKeys(keys));
  if (normal.empty()) return std::nullopt;
  return std::string(rawValue(normal.front().kind)) + ":" + normal.front().value;
}

bool contradicts(const std::set<AliasKey>& a, const std::set<AliasKey>& b) {
  for (const AliasKey::Case kind : kAccountCases) {
    if (disjointAndBothPresent(valuesOf(a, kind), valuesOf(b, kind))) return true;
  }
  return !sharesKeyOtherThanName(a, b) &&
         disjointAndBothPresent(valuesOf(a, AliasKey::Case::email),
                                valuesOf(b, AliasKey::Case::email));
}

std::optional<Inhabitant> resolve(const std::vector<AliasKey>& keys,
                                  const std::vector<Inhabitant>& inhabitants) {
  const auto index = resolveIndex(normalizeKeys(keys), inhabitants);
  if (!index) return std::nullopt;
  return inhabitants[*index];
}

std::optional<std::string> upsert(const std::vector<AliasKey>& keys, const std::string& displayName,
                                  Inhabitant::Kind kind, const std::string& nowISO,
                                  std::vector<Inhabitant>& into) {
  const std::vector<AliasKey> normal = normalizeKeys(keys);
  if (normal.empty()) return std::nullopt;
  const auto found = resolveIndex(normal, into);
  if (!found) {
    Inhabitant fresh;
    fresh.id = unusedID(*derivedID(normal), into);
    fresh.displayName = displayName;
    fresh.kind = kind;
    fresh.aliases = std::set<AliasKey>(normal.begin(), normal.end());
    fresh.firstSeenISO = nowISO;
    fresh.lastSeenISO = nowISO;
    into.push_back(std::move(fresh));
    return into.back().id;
  }
  Inhabitant merged = into[*found];
  merged.aliases.insert(normal.begin(), normal.end());
  std::vector<Inhabitant> kept;
  size_t position = 0;  // where the merged inhabitant goes back, among those kept
  for (size_t i = 0; i < into.size(); ++i) {
    if (i == *found) {
      position = kept.size();
      continue;
    }
    if (carriesAny(into[i], normal) && !contradicts(into[i].aliases, merged.aliases)) {
      absorb(merged, into[i]);
    } else {
      kept.push_back(std::move(into[i]));
    }
  }
  if (merged.displayName.empty()) merged.displayName = displayName;
  if (certainty(kind) > certainty(merged.kind)) merged.kind = kind;
  if (!merged.lastSeenISO || *merged.lastSeenISO < nowISO) merged.lastSeenISO = nowISO;
  kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(position), std::move(merged));
  into = std::move(kept);
  return into[position].id;
}

bool link(const std::vector<AliasKey>& keys, const std::string& id, std::vector<Inhabitant>& in) {
  const auto target =
      std::find_if(in.begin(), in.end(), [&](const Inhabitant& i) { return i.id == id; });
  if (target == in.end()) return false;
  const std::vector<AliasKey> normal = normalizeKeys(keys);
  for (Inhabitant& i : in) {
    for (const AliasKey& k : normal) i.aliases.erase(k);
  }
  target->aliases.insert(normal.begin(), normal.end());
  return true;
}

}  // namespace InhabitantRegistry
}  // namespace talewick
