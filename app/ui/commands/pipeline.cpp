// `talewick pipeline`: the open items of every tracker and remote calendar connected through the
// backend. `pipeline [--json] [--force]` refreshes and lists them (the last answer when the
// backend cannot be reached); `pipeline done ID` completes one at its service and credits the
// hero once; `pipeline delete ID [--yes]` deletes one at its service.
#include <memory>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/completion_credit.hpp"
#include "ui/context.hpp"
#include "ui/kingdom_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

using pipeline::IntegrationPipelineStore;
using pipeline::Item;

struct PipelineOptions {
  bool json = false;
  bool force = false;
  bool yes = false;
  CLI::App* done = nullptr;
  CLI::App* remove = nullptr;
  std::string id;
};

std::string itemLine(const Item& item) {
  std::string line =
      std::string(IntegrationPipeline::spriteEmoji(item.rpg.sprite)) + " " + shown(item.title);
  if (const std::optional<Date> when = item.startsAt ? item.startsAt : item.dueAt) {
    line += " — " + dayHeading(*when);
    if (item.startsAt || LocalCalendar::startOfDay(*when) != *when) line += " " + clockText(*when);
  }
  line += " · " + shown(item.sourceLabel.empty() ? item.provider : item.sourceLabel);
  if (!IntegrationPipeline::isCalendarItem(item)) {
    line += " · " + rewardText(item.rpg.xp, item.rpg.gold);
  }
  return line + "  [" + shown(item.id) + "]";
}

int show(const PipelineOptions& o, Io& io, AppContext& app) {
  IntegrationPipelineStore& store = app.integrationPipeline();
  store.performRefresh(o.force);
  app.runLoop().settle();
  if (o.json) {
    Json out = Json::object();
    out["statusLine"] = store.statusLine();
    if (store.response()) out["response"] = json_coding::encode(*store.response());
    out["suppressed"] = Json(std::vector<std::string>(store.suppressedItemIDs().begin(),
                                                      store.suppressedItemIDs().end()));
    DateStyleScope iso(DateStyle::iso8601);
    printJson(io.out, out);
    return store.response() ? EXIT_DONE : EXIT_FAILED;
  }
  if (!store.response()) {
    io.err << "talewick : " << shown(store.statusLine()) << "\n";
    return EXIT_FAILED;
  }
  (store.failed() ? io.err : io.out) << shown(store.statusLine()) << "\n";
  const auto& response = *store.response();
  for (const auto& error : response.errors) {
    io.out << "⚠ " << shown(error.provider) << " : " << shown(error.error) << "\n";
  }
  for (const Item& item : response.items) {
    if (store.suppressedItemIDs().count(item.id)) continue;
    io.out << itemLine(item) << "\n";
  }
  return EXIT_DONE;
}

// The item of `id` in the last answer, refreshing once when it is not there.
const Item* findItem(const std::string& id, AppContext& app) {
  IntegrationPipelineStore& store = app.integrationPipeline();
  if (const Item* item = store.item(id)) return item;
  store.performRefresh(false);
  app.runLoop().settle();
  return store.item(id);
}

int act(const PipelineOptions& o, Io& io, AppContext& app, bool completing) {
  IntegrationPipelineStore& store = app.integrationPipeline();
  const Item* found = findItem(o.id, app);
  if (!found) {
    throw UsageError(Loc::format(
        Loc::string("cli.pipeline.unknown", "Aucun élément « %@ » dans le pipeline."), {o.id}));
  }
  const Item item = *found;  // the refresh after the action replaces the answer
  if (store.suppressedItemIDs().count(item.id)) {
    io.out << Loc::format(Loc::string("cli.pipeline.alreadyDone", "Déjà fait ici : %@"),
                          {shown(item.title)})
           << "\n";
    return EXIT_DONE;
  }
  if (!completing && !o.yes) {
    if (!io.terminal) {
      throw UsageError(Loc::string("cli.pipeline.deleteNeedsYes",
                                   "La suppression est définitive : ajoute --yes pour confirmer."));
    }
    if (!askedYes(
            io.in, io.out,
            Loc::format(Loc::string("cli.pipeline.deleteQuestion", "Supprimer « %@ » chez %@ ?"),
                        {shown(item.title), shown(item.sourceLabel)}))) {
      return EXIT_DONE;
    }
  }
  std::optional<bool> ok;
  const auto done = [&ok](bool result) { ok = result; };
  completing ? store.complete(item, done) : store.remove(item, done);
  app.runLoop().settle();
  if (!ok.value_or(false)) {
    io.err << "talewick : " << shown(store.statusLine()) << "\n";
    return EXIT_FAILED;
  }
  if (!completing) {
    io.out << Loc::format(Loc::string("cli.pipeline.deleted", "Supprimé : %@"), {shown(item.title)})
           << "\n";
    return EXIT_DONE;
  }
  // Done at the service: the hero is paid once, whichever process or machine completes it.
  creditCompletion(io, app, item.id, item.title, item.rpg.xp, item.rpg.gold);
  return EXIT_DONE;
}

}  // namespace

Command pipelineCommand() {
  return Command{
      "pipeline",
      Loc::string("cli.pipeline.help",
                  "Les tâches et événements des services connectés (via le backend)"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<PipelineOptions>();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        cmd.add_flag("--force", o->force,
                     Loc::string("cli.pipeline.force", "Redemande tout aux services"));
        o->done = cmd.add_subcommand(
            "done", Loc::string("cli.pipeline.doneHelp", "Termine l'élément chez son service"));
        o->done->add_option("id", o->id, "id")->required();
        o->remove = cmd.add_subcommand(
            "delete",
            Loc::string("cli.pipeline.deleteHelp", "Supprime l'élément chez son service"));
        o->remove->add_option("id", o->id, "id")->required();
        o->remove->add_flag("--yes", o->yes, Loc::string("cli.guild.yes", "Sans confirmation"));
        return [o](Io& io, AppContext& app) {
          if (o->done->parsed()) return act(*o, io, app, true);
          if (o->remove->parsed()) return act(*o, io, app, false);
          return show(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
