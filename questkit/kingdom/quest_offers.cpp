#include "kingdom/quest_offers.hpp"

#include <algorithm>
#include <tuple>

#include "support/text.hpp"

namespace talewick {

using json_coding::Field;

namespace QuestOffers {
namespace {

bool isUnstarted(const std::optional<std::string>& stateType) {
  if (!stateType) return false;
  const std::string state = text::lower(*stateType);
  return state == "backlog" || state == "unstarted";
}

bool offered(const TicketCandidate& t) {
  return t.assignedToMe && !t.createdByMe && isUnstarted(t.stateType);
}

}  // namespace

Reward ticketReward(int64_t priority) {
  switch (priority) {
    case 1:
      return {100, 35};
    case 2:
      return {80, 26};
    case 3:
      return {65, 18};
    default:
      return {55, 14};
  }
}

Rarity ticketRarity(int64_t priority) {
  switch (priority) {
    case 1:
      return Rarity::epic;
    case 2:
      return Rarity::rare;
    default:
      return Rarity::common;
  }
}

std::vector<Offer> pending(const std::vector<InviteCandidate>& invites,
                           const std::vector<TicketCandidate>& tickets,
                           const std::set<std::string>& seen) {
  std::vector<Offer> offers;
  for (const InviteCandidate& i : invites) {
    if (!i.needsResponse) continue;
    offers.push_back(Offer{"invite:" + i.id, Kind::invitation, i.title, i.organizer,
                           i.organizerEmail, std::nullopt, Rarity::rare, true, invitationReward.xp,
                           invitationReward.gold});
  }
  for (const TicketCandidate& t : tickets) {
    if (!offered(t)) continue;
    const Reward reward = ticketReward(t.priority);
    offers.push_back(Offer{"linear:" + t.id, Kind::ticket, t.title, t.creator, t.creatorEmail,
                           t.reference, ticketRarity(t.priority), true, reward.xp, reward.gold});
  }
  for (Offer& o : offers) o.isNew = !seen.contains(o.id);
  std::sort(offers.begin(), offers.end(), [](const Offer& a, const Offer& b) {
    if (a.rarity != b.rarity) return weight(a.rarity) > weight(b.rarity);
    if (a.isNew != b.isNew) return a.isNew;
    return a.id < b.id;
  });
  return offers;
}

static const auto kInviteFields =
    std::tuple{Field{"id", &InviteCandidate::id}, Field{"title", &InviteCandidate::title},
               Field{"organizer", &InviteCandidate::organizer},
               Field{"organizerEmail", &InviteCandidate::organizerEmail},
               Field{"needsResponse", &InviteCandidate::needsResponse}};
TALEWICK_JSON_CODING(InviteCandidate, kInviteFields)

static const auto kTicketFields = std::tuple{Field{"id", &TicketCandidate::id},
                                             Field{"reference", &TicketCandidate::reference},
                                             Field{"title", &TicketCandidate::title},
                                             Field{"creator", &TicketCandidate::creator},
                                             Field{"creatorEmail", &TicketCandidate::creatorEmail},
                                             Field{"assignedToMe", &TicketCandidate::assignedToMe},
                                             Field{"createdByMe", &TicketCandidate::createdByMe},
                                             Field{"stateType", &TicketCandidate::stateType},
                                             Field{"priority", &TicketCandidate::priority}};
TALEWICK_JSON_CODING(TicketCandidate, kTicketFields)

static const auto kOfferFields = std::tuple{Field{"id", &Offer::id},
                                            Field{"kind", &Offer::kind},
                                            Field{"title", &Offer::title},
                                            Field{"giver", &Offer::giver},
                                            Field{"giverEmail", &Offer::giverEmail},
                                            Field{"reference", &Offer::reference},
                                            Field{"rarity", &Offer::rarity},
                                            Field{"isNew", &Offer::isNew},
                                            Field{"xpReward", &Offer::xpReward},
                                            Field{"goldReward", &Offer::goldReward}};
TALEWICK_JSON_CODING(Offer, kOfferFields)

static const auto kRewardFields =
    std::tuple{Field{"xp", &Reward::xp}, Field{"gold", &Reward::gold}};
TALEWICK_JSON_CODING(Reward, kRewardFields)

}  // namespace QuestOffers

namespace QuestOfferGivers {
namespace {

std::string matchKey(std::string_view s) { return text::fold(text::trim(s)); }

// The giver's own key, then the known key `aliases` maps it to.
std::vector<std::string> candidates(const std::optional<std::string>& raw,
                                    const std::map<std::string, std::string>& aliases) {
  std::vector<std::string> out;
  if (!raw) return out;
  const std::string own = matchKey(*raw);
  if (own.empty()) return out;
  out.push_back(own);
  for (const auto& [from, to] : aliases) {
    if (matchKey(from) == own) {
      const std::string known = matchKey(to);
      if (!known.empty() && known != own) out.push_back(known);
      break;
    }
  }
  return out;
}

const Actor* byEmail(const std::string& key, const std::vector<Actor>& actors) {
  for (const Actor& a : actors) {
    for (const std::string& e : a.emails) {
      if (matchKey(e) == key) return &a;
    }
  }
  return nullptr;
}

const Actor* byName(const std::string& key, const std::vector<Actor>& actors) {
  for (const Actor& a : actors) {
    if (matchKey(a.name) == key) return &a;
  }
  return nullptr;
}

const Actor* giverOf(const QuestOffers::Offer& offer, const std::vector<Actor>& actors,
                     const std::map<std::string, std::string>& aliases) {
  for (const std::string& key : candidates(offer.giverEmail, aliases)) {
    if (const Actor* a = byEmail(key, actors)) return a;
  }
  for (const std::string& key : candidates(offer.giver, aliases)) {
    if (const Actor* a = byName(key, actors)) return a;
    // An alias may point a name at an address.
    if (const Actor* a = byEmail(key, actors)) return a;
  }
  return nullptr;
}

}  // namespace

Assignment assign(const std::vector<QuestOffers::Offer>& offers, const std::vector<Actor>& actors,
                  const std::map<std::string, std::string>& aliases) {
  Assignment out;
  for (const QuestOffers::Offer& offer : offers) {
    if (const Actor* a = giverOf(offer, actors, aliases)) {
      out.byActor[a->id].push_back(offer);
    } else {
      out.orphans.push_back(offer);
    }
  }
  return out;
}

void to_json(Json& j, const Actor& v) {
  j = Json{{"id", v.id},
           {"name", v.name},
           {"emails", std::vector<std::string>(v.emails.begin(), v.emails.end())},
           {"isCurrentUser", v.isCurrentUser}};
}

namespace {
const auto& actorFields() {
  static const auto fields = std::tuple{Field{"id", &Actor::id}, Field{"name", &Actor::name},
                                        Field{"isCurrentUser", &Actor::isCurrentUser}};
  return fields;
}
}  // namespace

void from_json(const Json& j, Actor& v) {
  json_coding::readFields(j, v, actorFields());
  const auto it = j.find("emails");
  if (it == j.end()) throw DecodeError("emails", json_coding::reasonMissing());
  std::vector<std::string> emails;
  try {
    json_coding::decode(*it, emails);
  } catch (const DecodeError& e) {
    throw e.within("emails");
  }
  v.emails = std::set<std::string>(emails.begin(), emails.end());
}

void to_json(Json& j, const Assignment& v) {
  j = Json{{"byActor", json_coding::encode(v.byActor)},
           {"orphans", json_coding::encode(v.orphans)}};
}

}  // namespace QuestOfferGivers
}  // namespace talewick
