// `talewick people [--json]`: the kingdom's inhabitants by reputation, after a kingdom refresh that
// meets the people of the meetings gone by. `people merge A B` makes B one with A; `people
// rename ID NAME…` gives an inhabitant the user's name for it.
#include <algorithm>
#include <memory>

#include "kingdom/inhabitant_book.hpp"
#include "kingdom/reputation.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/people_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct PeopleOptions {
  CLI::App* mergeCmd = nullptr;
  CLI::App* renameCmd = nullptr;
  bool json = false;
  std::string kept, absorbed;
  std::string id;
  std::vector<std::string> name;
};

std::string progressText(const Reputation::Progress& p) {
  if (!p.next || !p.span) return Loc::string("cli.people.top", "rang le plus haut");
  return progressBar(p.fraction, 10) + " " +
         Loc::format(Loc::string("cli.people.toward", "%@/%@ vers %@"),
                     {std::to_string(p.into), std::to_string(*p.span), tierName(*p.next)});
}

std::string earnedText(const LienTally& links) {
  return Loc::counted(links.sharedMeetings, "cli.people.meetings", "%@ réunion", "%@ réunions") +
         " · " +
         Loc::counted(links.coHandledTickets, "cli.people.tickets", "%@ ticket", "%@ tickets") +
         " · " + Loc::counted(links.completedForYou, "cli.people.tasks", "%@ tâche", "%@ tâches");
}

void printPerson(std::ostream& out, const Inhabitant& i) {
  const int64_t points = Reputation::points(i.links);
  const Reputation::Progress progress = Reputation::progress(points);
  out << "  " << shown(InhabitantBook::shownName(i)) << " — " << tierName(progress.current) << ", "
      << Loc::counted(points, "cli.people.points", "%@ point", "%@ points") << "  "
      << progressText(progress) << "\n"
      << "    " << earnedText(i.links) << "  (" << shown(i.id) << ")\n";
}

int list(const PeopleOptions& o, Io& io, AppContext& app) {
  // The refresh meets the people of the calendar; without a calendar the book is still shown.
  std::optional<KingdomRefresh> refresh;
  try {
    refresh = refreshKingdom(app);
  } catch (const std::runtime_error& e) {
    io.err << "talewick : " << shown(e.what()) << "\n";
  }
  const std::vector<Inhabitant> people = byReputation(app.inhabitantStore().inhabitants());
  if (o.json) {
    Json out = Json::array();
    for (const Inhabitant& i : people) {
      const int64_t points = Reputation::points(i.links);
      out.push_back({{"inhabitant", json_coding::encode(i)},
                     {"points", points},
                     {"progress", json_coding::encode(Reputation::progress(points))}});
    }
    printJson(io.out, out);
    return EXIT_DONE;
  }
  if (refresh) printPayments(io.out, *refresh);
  if (people.empty()) {
    io.out << Loc::string("cli.people.none",
                          "Aucun habitant pour l'instant : les réunions passées de l'agenda en "
                          "amènent.")
           << "\n";
    return EXIT_DONE;
  }
  io.out << Loc::counted(static_cast<int64_t>(people.size()), "cli.people.heading",
                         "%@ habitant du royaume", "%@ habitants du royaume")
         << "\n";
  for (const Inhabitant& i : people) printPerson(io.out, i);
  return EXIT_DONE;
}

// The shown name of `id` in the store, or the id itself.
std::string nameOf(InhabitantStore& store, const std::string& id) {
  const Inhabitant* found = InhabitantBook::find(store.book(), id);
  return shown(found ? InhabitantBook::shownName(*found) : id);
}

int mergePeople(const PeopleOptions& o, Io& io, AppContext& app) {
  InhabitantStore& store = app.inhabitantStore();
  const std::string absorbedName = nameOf(store, o.absorbed);
  if (const auto refusal = store.merge(o.kept, o.absorbed)) {
    throw std::runtime_error(InhabitantStore::describe(*refusal));
  }
  io.out << Loc::format(Loc::string("cli.people.merged", "« %@ » ne fait plus qu'un avec « %@ »."),
                        {absorbedName, nameOf(store, o.kept)})
         << "\n";
  return EXIT_DONE;
}

int renamePerson(const PeopleOptions& o, Io& io, AppContext& app) {
  std::string name;
  for (const std::string& word : o.name) name += (name.empty() ? "" : " ") + word;
  InhabitantStore& store = app.inhabitantStore();
  if (const auto refusal = store.rename(o.id, name)) {
    const std::string why = InhabitantStore::describe(*refusal);
    if (refusal->reason == InhabitantBook::Refusal::Reason::unknownInhabitant) {
      throw std::runtime_error(why);
    }
    throw UsageError(why);
  }
  io.out << Loc::format(Loc::string("cli.people.renamed", "%@ s'appelle désormais « %@ »."),
                        {shown(o.id), nameOf(store, o.id)})
         << "\n";
  return EXIT_DONE;
}

}  // namespace

Command peopleCommand() {
  return Command{
      "people",
      Loc::string("cli.people.help",
                  "Les habitants du royaume : leur réputation et ce qui l'a gagnée"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<PeopleOptions>();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        o->mergeCmd = cmd.add_subcommand(
            "merge", Loc::string("cli.people.mergeHelp",
                                 "Fait d'un habitant B le même qu'un habitant A (ses adresses, "
                                 "sa réputation)"));
        o->mergeCmd
            ->add_option("A", o->kept, Loc::string("cli.people.keptHelp", "L'habitant gardé"))
            ->required();
        o->mergeCmd
            ->add_option("B", o->absorbed,
                         Loc::string("cli.people.absorbedHelp", "L'habitant qui le rejoint"))
            ->required();
        o->renameCmd = cmd.add_subcommand(
            "rename", Loc::string("cli.people.renameHelp", "Donne un nom à un habitant"));
        o->renameCmd->add_option("ID", o->id, Loc::string("cli.people.idHelp", "L'habitant"))
            ->required();
        o->renameCmd->add_option("NAME", o->name, Loc::string("cli.people.nameHelp", "Son nom"))
            ->required();
        return [o](Io& io, AppContext& app) {
          if (o->mergeCmd->parsed()) return mergePeople(*o, io, app);
          if (o->renameCmd->parsed()) return renamePerson(*o, io, app);
          return list(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
