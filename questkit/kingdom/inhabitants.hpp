// The people the user works and lives with, as inhabitants of the kingdom. One person reaches the
// game under several keys (an e-mail address, a tracker member id, a family profile, a task
// assignee, a name); the registry merges the keys it can prove belong together into one
// inhabitant.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "support/enum_traits.hpp"
#include "support/json.hpp"

namespace talewick {

// One way of naming a person. Built through the normalising constructors, two spellings of the
// same key compare equal. JSON: {"<case>": {"_0": value}}.
struct AliasKey {
  // Declaration order is the order resolve trusts keys in: an address or an account id names
  // one person; a name may be shared.
  enum class Case { email, linearMember, familyProfile, todoistAssignee, name };
  Case kind = Case::name;
  std::string value;

  // Trimmed of white space and line breaks and lower-cased; nullopt when nothing is left.
  static std::optional<AliasKey> email(std::string_view raw);
  // Trimmed of white space and line breaks; nullopt when nothing is left.
  static std::optional<AliasKey> linearMember(std::string_view raw);
  static std::optional<AliasKey> familyProfile(std::string_view raw);
  static std::optional<AliasKey> todoistAssignee(std::string_view raw);
  // Trimmed and folded (accents and letter case ignored); nullopt when nothing is left.
  static std::optional<AliasKey> name(std::string_view raw);
  // The constructor of `kind` applied to `raw`.
  static std::optional<AliasKey> make(Case kind, std::string_view raw);

  auto operator<=>(const AliasKey&) const = default;
  bool operator==(const AliasKey&) const = default;
};

void to_json(Json& j, const AliasKey& v);
void PrintTo(const AliasKey& v, std::ostream* os);  // test failures show the key
void from_json(const Json& j, AliasKey& v);         // normalises, refuses a key that is empty

template <>
struct EnumTraits<AliasKey::Case> {
  static constexpr std::array<std::string_view, 5> names{"email", "linearMember", "familyProfile",
                                                         "todoistAssignee", "name"};
};

// What the inhabitant did with the user: the source of its reputation.
struct LienTally {
  int64_t sharedMeetings = 0;
  int64_t coHandledTickets = 0;
  int64_t completedForYou = 0;
  bool operator==(const LienTally&) const = default;
};

void to_json(Json& j, const LienTally& v);
void from_json(const Json& j, LienTally& v);

struct Inhabitant {
  // Raw value = case name; `current` is the user.
  enum class Kind { colleague, family, external, current };

  std::string id;
  std::string displayName;
  std::optional<std::string> pseudo;
  std::optional<std::string> spriteAssetName;
  Kind kind = Kind::external;
  std::set<AliasKey> aliases;
  LienTally links;
  std::string firstSeenISO;
  std::optional<std::string> lastSeenISO;
  bool operator==(const Inhabitant&) const = default;
};

void to_json(Json& j, const Inhabitant& v);
void from_json(const Json& j, Inhabitant& v);

template <>
struct EnumTraits<Inhabitant::Kind> {
  static constexpr std::array<std::string_view, 4> names{"colleague", "family", "external",
                                                         "current"};
};

namespace InhabitantRegistry {

// Each key passed again through its constructor, empty ones dropped, duplicates dropped (the
// first one kept), order otherwise kept.
std::vector<AliasKey> normalizeKeys(const std::vector<AliasKey>& keys);

// The id a new inhabitant gets from its keys: "<case>:<value>" of the most trusted key (an
// e-mail before a tracker id, a family profile, an assignee, a name), so that two machines that
// first meet the same person under the same key give it the same id. nullopt without keys.
std::optional<std::string> derivedID(const std::vector<AliasKey>& keys);

// Whether two key sets cannot name the same person: they carry different tracker member ids,
// family profiles or task assignees (one account each per person), or they share nothing but
// names while carrying different e-mail addresses only (two namesakes).
bool contradicts(const std::set<AliasKey>& a, const std::set<AliasKey>& b);

// The inhabitant that carries one of the keys and does not contradict them, trying the keys in
// trust order; nullopt when none does.
std::optional<Inhabitant> resolve(const std::vector<AliasKey>& keys,
                                  const std::vector<Inhabitant>& inhabitants);

// Records that the person was seen under `keys` at `nowISO`. The inhabitant resolve finds gains
// the keys and its last sighting; other inhabitants that carry one of the keys without
// contradicting them are folded into it (their keys, links and first sighting). With no match a
// new inhabitant is created with the derived id (suffixed "#2", "#3"… if taken), as `kind`
// (never replacing `current`, and replacing `external` on an existing one). Answers the
// inhabitant's id; nullopt, with nothing changed, when no key is left after normalising.
std::optional<std::string> upsert(const std::vector<AliasKey>& keys, const std::string& displayName,
                                  Inhabitant::Kind kind, const std::string& nowISO,
                                  std::vector<Inhabitant>& into);

// `other` joined into `into`: keys united, tallies summed, `into`'s names, pseudo and sprite
// kept when it has them, the more certain kind (current, then colleague or family, then
// external), the earlier first sighting and the later last one.
void absorb(Inhabitant& into, const Inhabitant& other);

// The user's own decision that `keys` name the inhabitant `id`: the keys move to it from any
// other inhabitant. False, with nothing changed, when no inhabitant has that id.
bool link(const std::vector<AliasKey>& keys, const std::string& id, std::vector<Inhabitant>& in);

}  // namespace InhabitantRegistry
}  // namespace talewick
