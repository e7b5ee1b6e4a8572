#include "server/invite_request.hpp"

#include <charconv>

#include "server/mail_header.hpp"
#include "text/rsvp_token.hpp"

namespace talewick::server {

namespace {

using nlohmann::json;

struct Refusal {
  std::string message;
};

std::string requiredText(const json& body, const char* key) {
  const auto found = body.find(key);
  if (found == body.end() || !found->is_string()) {
    throw Refusal{std::string("Champ « ") + key + " » manquant ou qui n'est pas un texte."};
  }
  return found->get<std::string>();
}

std::optional<std::string> optionalText(const json& body, const char* key) {
  const auto found = body.find(key);
  if (found == body.end() || found->is_null()) return std::nullopt;
  if (!found->is_string()) {
    throw Refusal{std::string("Champ « ") + key + " » qui n'est pas un texte."};
  }
  return found->get<std::string>();
}

std::string address(const json& body, const char* key) {
  std::string text = requiredText(body, key);
  if (!mail::isAddress(text)) {
    throw Refusal{std::string("Champ « ") + key + " » : adresse e-mail invalide."};
  }
  return text;
}

// The SEQUENCE of the calendar text (its first one: the event's), 0 when absent or unreadable.
std::int64_t sequenceOf(std::string_view ics) {
  for (std::size_t pos = 0; pos < ics.size();) {
    std::size_t end = ics.find('\n', pos);
    if (end == std::string_view::npos) end = ics.size();
    std::string_view line = ics.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.starts_with("SEQUENCE:")) {
      std::int64_t value = 0;
      const std::string_view digits = line.substr(9);
      const auto [rest, error] =
          std::from_chars(digits.data(), digits.data() + digits.size(), value);
      return error == std::errc() && rest == digits.data() + digits.size() && value >= 0 ? value
                                                                                         : 0;
    }
    pos = end + 1;
  }
  return 0;
}

}  // namespace

bool isLinkableUid(std::string_view uid) {
  if (uid.empty() || uid.size() > 255) return false;
  for (const char c : uid) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') ||
                         std::string_view("._@+-").find(c) != std::string_view::npos;
    if (!allowed) return false;
  }
  return true;
}

std::variant<InviteRequest, std::string> readInviteRequest(const json& body) {
  if (!body.is_object()) return std::string("Le corps de la requête doit être un objet JSON.");
  try {
    InviteRequest request;
    request.organizerEmail = address(body, "organizerEmail");
    request.organizerName = optionalText(body, "organizerName");
    request.subject = requiredText(body, "subject");
    request.ics = requiredText(body, "ics");
    if (request.ics.empty() || request.ics.size() > MAX_ICS_BYTES) {
      throw Refusal{"Champ « ics » vide ou trop grand (256 Kio au plus)."};
    }
    request.uid = requiredText(body, "uid");
    if (!isLinkableUid(request.uid)) {
      throw Refusal{"Champ « uid » invalide : lettres, chiffres et « ._@+- », 255 au plus."};
    }
    request.token = requiredText(body, "token");
    if (!RSVPToken::isValidToken(request.token)) {
      throw Refusal{"Champ « token » invalide : 6 à 24 lettres ou chiffres."};
    }
    request.eventTitle = requiredText(body, "eventTitle");
    request.whenLabel = requiredText(body, "whenLabel");
    request.location = optionalText(body, "location");
    request.lore = requiredText(body, "lore");
    const auto invitees = body.find("invitees");
    if (invitees == body.end() || !invitees->is_array() || invitees->empty() ||
        invitees->size() > MAX_GUESTS) {
      throw Refusal{"Champ « invitees » : de 1 à 50 invités."};
    }
    for (const json& invitee : *invitees) {
      if (!invitee.is_object()) throw Refusal{"Champ « invitees » : chaque invité est un objet."};
      request.invitees.push_back({address(invitee, "email"), optionalText(invitee, "name")});
    }
    request.sequence = sequenceOf(request.ics);
    return request;
  } catch (const Refusal& refusal) {
    return refusal.message;
  }
}

}  // namespace talewick::server
