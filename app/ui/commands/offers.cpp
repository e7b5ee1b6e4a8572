// `talewick offers [--json]`: the quest offers of the kingdom — the invitations still awaiting an
// answer — with the inhabitant who gave each, after a kingdom refresh. The text view marks them
// seen; the JSON view leaves them as they are, so that a script never hides what is new.
#include <map>
#include <memory>

#include "kingdom/inhabitant_book.hpp"
#include "kingdom/quest_offers.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct OffersOptions {
  bool json = false;
};

// " · de Alice Martin": the inhabitant found for the offer, else the giver the calendar names.
std::string giverText(const QuestOffers::Offer& offer, const std::string* inhabitant) {
  std::string giver;
  if (inhabitant) {
    giver = *inhabitant;
  } else if (offer.giver && !offer.giver->empty()) {
    giver = *offer.giver;
  } else if (offer.giverEmail) {
    giver = *offer.giverEmail;
  }
  if (giver.empty()) return "";
  return Loc::format(Loc::string("cli.offers.from", " · de %@"), {shown(giver)});
}

void printOffer(std::ostream& out, const QuestOffers::Offer& offer, const std::string* inhabitant) {
  out << "  " << (offer.isNew ? "★ " : "  ") << rarityName(offer.rarity) << " — "
      << shown(offer.title) << giverText(offer, inhabitant) << " — "
      << Loc::format(Loc::string("kingdom.reward", "+%@ XP, +%@ or"),
                     {std::to_string(offer.xpReward), std::to_string(offer.goldReward)})
      << "\n";
}

int showOffers(const OffersOptions& o, Io& io, AppContext& app) {
  const KingdomRefresh refresh = refreshKingdom(app);
  const std::vector<QuestOffers::Offer>& offers = refresh.view->offers;
  const InhabitantBook::Book& book = app.inhabitantStore().book();
  const QuestOfferGivers::Assignment givers =
      QuestOfferGivers::assign(offers, InhabitantBook::actors(book), InhabitantBook::aliases(book));
  if (o.json) {
    printJson(io.out, Json{{"offers", json_coding::encode(offers)},
                           {"givers", json_coding::encode(givers)}});
    return EXIT_DONE;
  }

  std::map<std::string, std::string> inhabitantOf;  // offer id → the giver's shown name
  for (const auto& [actorID, given] : givers.byActor) {
    const Inhabitant* giver = InhabitantBook::find(book, actorID);
    if (!giver) continue;
    for (const QuestOffers::Offer& offer : given) {
      inhabitantOf[offer.id] = InhabitantBook::shownName(*giver);
    }
  }
  printPayments(io.out, refresh);
  if (offers.empty()) {
    io.out << Loc::string("cli.offers.none",
                          "Aucune offre de quête : aucune invitation n'attend ta réponse.")
           << "\n";
  } else {
    io.out << Loc::counted(static_cast<int64_t>(offers.size()), "cli.offers.heading",
                           "%@ offre de quête (★ nouvelle)", "%@ offres de quête (★ nouvelles)")
           << "\n";
    for (const QuestOffers::Offer& offer : offers) {
      const auto found = inhabitantOf.find(offer.id);
      printOffer(io.out, offer, found == inhabitantOf.end() ? nullptr : &found->second);
    }
  }
  app.kingdom().markOffersSeen();
  return EXIT_DONE;
}

}  // namespace

Command offersCommand() {
  return Command{"offers",
                 Loc::string("cli.offers.help",
                             "Les offres de quête : les invitations qui attendent ta réponse"),
                 [](CLI::App& cmd) -> Handler {
                   auto o = std::make_shared<OffersOptions>();
                   cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
                   return [o](Io& io, AppContext& app) { return showOffers(*o, io, app); };
                 }};
}

}  // namespace talewick::ui
