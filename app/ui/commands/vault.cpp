// `talewick vault [set PATH | done ID] [--json]`: the open tasks of the family's notes folder as
// side quests, choosing that folder, and completing one of them (its line ticked in its file).
#include <memory>
#include <sstream>

#include "core/vault_store.hpp"
#include "platform/vault_folder.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct VaultOptions {
  bool json = false;
  std::string path;
  std::string id;
  CLI::App* set = nullptr;
  CLI::App* done = nullptr;
};

void warnStatus(const VaultStore& store, Io& io) {
  if (!store.statusLine().empty()) io.err << "talewick : " << shown(store.statusLine()) << "\n";
}

int set(const VaultOptions& o, Io& io, AppContext& app) {
  VaultStore& store = app.vaultStore();
  if (!store.setFolder(o.path)) {
    throw UsageError(
        Loc::format(Loc::string("cli.vault.notFolder", "« %@ » n'est pas un dossier lisible"),
                    {shown(o.path)}));
  }
  io.out << Loc::format(Loc::string("cli.vault.set", "Coffre de notes : %@"),
                        {shown(store.folderPath()->string())})
         << "\n";
  return EXIT_DONE;
}

int list(const VaultOptions& o, Io& io, AppContext& app) {
  VaultStore& store = app.vaultStore();
  const VaultScanResult& result = store.scan();
  if (!store.folderPath()) {
    io.err << "talewick : " << store.statusLine() << "\n";
    return EXIT_FAILED;
  }
  if (o.json) {
    Json out = json_coding::encode(result);
    out["folder"] = store.folderPath()->string();
    out["statusLine"] = store.statusLine();
    DateStyleScope iso(DateStyle::iso8601);
    printJson(io.out, out);
    return EXIT_DONE;
  }
  warnStatus(store, io);
  io.out << Loc::format(Loc::string("cli.vault.heading", "Coffre %@ — %@ tâche(s) ouverte(s)"),
                        {shown(store.folderPath()->string()), std::to_string(result.pending)})
         << "\n";
  for (const VaultSideQuest& q : result.quests) {
    io.out << padded(q.due ? LocalCalendar::dayKey(*q.due) : "", 10) << "  " << padded(q.title, 36)
           << "  " << padded("+" + std::to_string(q.xp) + " XP +" + std::to_string(q.gold), 14)
           << "  " << padded(q.sourceRel, 24) << "  [" << q.id << "]\n";
  }
  if (result.quests.size() < static_cast<size_t>(result.pending)) {
    io.out << Loc::format(
                  Loc::string("cli.vault.more", "… et %@ autre(s)"),
                  {std::to_string(result.pending - static_cast<int64_t>(result.quests.size()))})
           << "\n";
  }
  return EXIT_DONE;
}

int done(const VaultOptions& o, Io& io, AppContext& app) {
  using Outcome = VaultStore::WriteOutcome;
  const std::string prefix(text::trim(o.id));
  VaultStore& store = app.vaultStore();
  store.scan();
  if (!store.folderPath()) {
    io.err << "talewick : " << store.statusLine() << "\n";
    return EXIT_FAILED;
  }
  const std::vector<std::string> ids = store.idsStartingWith(prefix);
  if (ids.size() > 1) {
    throw UsageError(Loc::format(
        Loc::string("cli.vault.ambiguous", "« %@ » désigne %@ tâches : donne plus de caractères"),
        {shown(prefix), std::to_string(ids.size())}));
  }
  const VaultStore::Completion done = ids.empty()
                                          ? VaultStore::Completion{}
                                          : store.complete(ids.front(), app.now(), app.heroStore());
  switch (done.outcome) {
    case Outcome::notFound:
      io.err << "talewick : "
             << Loc::format(Loc::string("cli.vault.notFound",
                                        "tâche introuvable dans le coffre : %@ (son fichier a "
                                        "peut-être changé : `talewick vault` les relit)"),
                            {shown(prefix)})
             << "\n";
      return EXIT_FAILED;
    case Outcome::ioError:
      io.err << "talewick : " << shown(store.statusLine()) << "\n";
      return EXIT_FAILED;
    case Outcome::written:
      break;
  }
  warnStatus(store, io);
  if (done.change->kind == VaultTasksWrite::Change::Kind::advanced) {
    io.out << Loc::format(
        Loc::string("cli.vault.advanced", "Tâche accomplie : %@, de retour le %@"),
        {shown(done.quest->title), done.change->day});
  } else {
    io.out << Loc::format(Loc::string("cli.vault.checked", "Tâche accomplie : %@"),
                          {shown(done.quest->title)});
  }
  if (done.credited) {
    io.out << Loc::format(Loc::string("cli.vault.paid", " (+%@ XP, +%@ or)"),
                          {std::to_string(done.credited->xp), std::to_string(done.credited->gold)});
  }
  io.out << "\n";
  return EXIT_DONE;
}

}  // namespace

Command vaultCommand() {
  return Command{
      "vault",
      Loc::string("cli.vault.help", "Les tâches du coffre de notes familial, en quêtes annexes"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<VaultOptions>();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        o->set = cmd.add_subcommand(
            "set", Loc::string("cli.vault.setHelp", "Choisit le dossier du coffre de notes"));
        o->set->add_option("path", o->path, Loc::string("cli.vault.path", "Le dossier"))
            ->required();
        o->done = cmd.add_subcommand(
            "done",
            Loc::string("cli.vault.doneHelp", "Coche une tâche du coffre dans son fichier"));
        o->done
            ->add_option("id", o->id,
                         Loc::string("cli.vault.id", "Identifiant de la tâche (ou son début)"))
            ->required();
        return [o](Io& io, AppContext& app) {
          if (o->set->parsed()) return set(*o, io, app);
          return o->done->parsed() ? done(*o, io, app) : list(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
