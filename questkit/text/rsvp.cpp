#include "text/rsvp.hpp"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "support/loc.hpp"

namespace talewick {

RSVPStatus rsvpStatus(std::string_view partstat) {
  std::string upper;
  icu::UnicodeString::fromUTF8(
      icu::StringPiece(partstat.data(), static_cast<int32_t>(partstat.size())))
      .toUpper(icu::Locale::getRoot())
      .toUTF8String(upper);
  if (upper == "ACCEPTED") return RSVPStatus::accepted;
  if (upper == "DECLINED") return RSVPStatus::declined;
  if (upper == "TENTATIVE") return RSVPStatus::tentative;
  return RSVPStatus::needsAction;
}

std::string invitationKey(std::string_view externalIdentifier, std::optional<Date> start) {
  std::string key(externalIdentifier);
  key += '|';
  if (start) key += std::to_string(static_cast<long long>(start->unix()));
  return key;
}

namespace InviteRSVPLore {
namespace {

struct Defaults {
  std::string_view title, body, accepted;
};

Defaults defaults(RPGMode mode) {
  switch (mode) {
    case RPGMode::heroicPapa:
      return {"📜 Parchemin Maudit !", "Un émissaire attend ta réponse, héros.",
              "🤝 Parchemin scellé — tu rejoins la quête."};
    case RPGMode::fairyTale:
      return {"💌 Une invitation enchantée", "Un oiseau messager attend ta réponse à la fenêtre.",
              "🧚 Le vœu est exaucé — tu seras du voyage."};
    case RPGMode::comic:
      return {"📬 Encore une invitation…",
              "Quelqu'un veut te voir. Tu peux fuir, mais c'est mal vu.",
              "🤝 Bon bah c'est noté. T'y seras."};
    case RPGMode::mythological:
      return {"🏛️ Les dieux te convoquent", "Un héraut de l'Olympe attend ta réponse.",
              "⚡ Ta place au panthéon est réservée."};
    case RPGMode::darkEpic:
      return {"🩸 Un pacte t'est proposé",
              "L'émissaire patiente dans l'ombre — l'encre attend ta réponse.",
              "💀 Le pacte est scellé. Ta parole te lie."};
    case RPGMode::donjon:
      return {"📜 Convocation de la guilde",
              "Le tavernier a une mission pour toi. Réponds avant qu'il s'énerve.",
              "⛏️ Inscrit au tableau des quêtes. Au boulot !"};
  }
  return defaults(RPGMode::heroicPapa);
}

}  // namespace

Strings strings(RPGMode mode) {
  const Defaults d = defaults(mode);
  const std::string prefix = "invitersvp." + std::string(rawValue(mode));
  return {Loc::string(prefix + ".title", d.title), Loc::string(prefix + ".body", d.body),
          Loc::string(prefix + ".accepted", d.accepted)};
}

std::string acceptAction() { return Loc::string("invitersvp.action.accept", "Accepter ⚔️"); }
std::string tentativeAction() {
  return Loc::string("invitersvp.action.tentative", "Peut-être 🌫");
}
std::string declineAction() { return Loc::string("invitersvp.action.decline", "Décliner 🛡"); }
std::string tentativeConfirmed() {
  return Loc::string("invitersvp.confirm.tentative",
                     "🌫 Réponse envoyée : peut-être. Le destin reste ouvert.");
}
std::string declinedConfirmed() {
  return Loc::string("invitersvp.confirm.declined",
                     "🛡 Tu déclines — l'émissaire repart avec ta réponse.");
}
std::string failed() {
  return Loc::string("invitersvp.confirm.failed",
                     "⚠️ Le sceau a résisté. Ouvre Calendrier pour répondre.");
}

}  // namespace InviteRSVPLore
}  // namespace talewick
