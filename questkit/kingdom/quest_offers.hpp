// Quest offers: the invitations that await the user's answer and the tracker tickets colleagues
// assigned to the user that nobody has started, each with a rarity, a reward and a "new" mark,
// and the people on the map who gave them.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "game/enums.hpp"
#include "support/enum_traits.hpp"
#include "support/json.hpp"

namespace talewick {
namespace QuestOffers {

enum class Kind { invitation, ticket };

struct InviteCandidate {
  std::string id;
  std::string title;
  std::optional<std::string> organizer;
  std::optional<std::string> organizerEmail;
  bool needsResponse = false;
  bool operator==(const InviteCandidate&) const = default;
};

struct TicketCandidate {
  std::string id;
  std::string reference;  // the tracker's human identifier ("ENG-42")
  std::string title;
  std::optional<std::string> creator;
  std::optional<std::string> creatorEmail;
  bool assignedToMe = false;
  bool createdByMe = false;
  std::optional<std::string> stateType;
  int64_t priority = 0;  // 1 urgent … 4 low, 0 none
  bool operator==(const TicketCandidate&) const = default;
};

struct Offer {
  std::string id;  // "invite:" or "linear:" + the candidate's id
  Kind kind = Kind::invitation;
  std::string title;
  std::optional<std::string> giver;
  std::optional<std::string> giverEmail;
  std::optional<std::string> reference;
  Rarity rarity = Rarity::common;
  bool isNew = true;
  int64_t xpReward = 0;
  int64_t goldReward = 0;
  bool operator==(const Offer&) const = default;
};

struct Reward {
  int64_t xp = 0;
  int64_t gold = 0;
  bool operator==(const Reward&) const = default;
};

void to_json(Json& j, const InviteCandidate& v);
void from_json(const Json& j, InviteCandidate& v);
void to_json(Json& j, const TicketCandidate& v);
void from_json(const Json& j, TicketCandidate& v);
void to_json(Json& j, const Offer& v);
void from_json(const Json& j, Offer& v);
void to_json(Json& j, const Reward& v);
void from_json(const Json& j, Reward& v);

// What an invitation pays: 40 XP, 12 gold, at rarity rare.
inline constexpr Reward invitationReward{40, 12};

// Priority 1: 100 XP 35 gold; 2: 80 / 26; 3: 65 / 18; anything else: 55 / 14.
Reward ticketReward(int64_t priority);

// Priority 1 is epic, 2 rare, anything else common.
Rarity ticketRarity(int64_t priority);

// The offers: invitations that need a response, and tickets assigned to the user, not created by
// the user, whose state type is "backlog" or "unstarted" in any letter case (a ticket without a
// state type is not offered). An offer is new when its id is not in `seen`. Sorted by rarity
// (highest first), then new before seen, then id.
std::vector<Offer> pending(const std::vector<InviteCandidate>& invites,
                           const std::vector<TicketCandidate>& tickets,
                           const std::set<std::string>& seen);

}  // namespace QuestOffers

template <>
struct EnumTraits<QuestOffers::Kind> {
  static constexpr std::array<std::string_view, 2> names{"invitation", "ticket"};
};

namespace QuestOfferGivers {

// A person drawn on the map.
struct Actor {
  std::string id;
  std::string name;
  std::set<std::string> emails;
  bool isCurrentUser = false;
  bool operator==(const Actor&) const = default;
};

struct Assignment {
  std::map<std::string, std::vector<QuestOffers::Offer>> byActor;  // actor id → its offers
  std::vector<QuestOffers::Offer> orphans;                         // no actor found
  bool operator==(const Assignment&) const = default;
};

void to_json(Json& j, const Actor& v);
void from_json(const Json& j, Actor& v);
void to_json(Json& j, const Assignment& v);

// Attaches each offer, in its order, to the actor who gave it: first by the giver's e-mail
// address among the actors' addresses, then by the giver's name against the actors' names.
// Addresses and names compare trimmed and folded (letter case and accents ignored); `aliases`
// maps an alternative address or name to a known one, and is consulted when the giver's own
// does not match. The first actor in the list wins a tie. Offers nobody gave go to `orphans`.
Assignment assign(const std::vector<QuestOffers::Offer>& offers, const std::vector<Actor>& actors,
                  const std::map<std::string, std::string>& aliases);

}  // namespace QuestOfferGivers
}  // namespace talewick
