// `talewick linear`: the user's open Linear issues as the program reads them — through the
// backend, or directly with a personal key or the program's own OAuth token — with the mode and
// the status line. `linear login` opens Linear's authorization page (the browser comes back
// through `talewick handle-url`), `linear key` keeps a personal key (read from standard input, or
// typed unseen on a terminal: never an argument, which the process list and the shell's history
// would show), `linear done ID` completes an issue in its team's completed state and pays the hero
// once, `linear comment ID TEXT` comments it, `linear workspace ID` picks the backend's workspace.
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "linear/linear_tickets.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"
#include "ui/browser.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/completion_credit.hpp"
#include "ui/context.hpp"
#include "ui/kingdom_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

using linear::LinearAuthStore;
using linear::LinearMode;

struct LinearOptions {
  bool json = false;
  bool force = false;
  CLI::App* login = nullptr;
  CLI::App* key = nullptr;
  CLI::App* done = nullptr;
  CLI::App* comment = nullptr;
  CLI::App* workspace = nullptr;
  std::string id;
  std::vector<std::string> words;
};

std::string modeName(LinearMode mode) {
  switch (mode) {
    case LinearMode::backend:
      return "backend";
    case LinearMode::oauth:
      return "oauth";
    case LinearMode::personalAPIKey:
      return "personalAPIKey";
    case LinearMode::none:
      break;
  }
  return "none";
}

// Linear's ids and keys ("ENG-42", UUIDs): letters, digits and dashes only, so that an id never
// changes the address it is put in.
std::string issueArgument(const std::string& id) {
  const bool plain =
      !id.empty() && id.size() <= 64 && std::all_of(id.begin(), id.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
      });
  if (!plain) {
    throw UsageError(Loc::format(
        Loc::string("cli.linear.badId", "identifiant de ticket Linear invalide : « %@ »"),
        {shown(id)}));
  }
  return id;
}

std::string issueLine(const Linear::Issue& issue, Date now) {
  const TrackerTicket ticket = LinearTickets::ticket(issue, now);
  std::string line = shown(issue.identifier) + " " + shown(issue.title);
  if (ticket.due) line += " — " + dayHeading(*ticket.due);
  if (issue.state) line += " · " + shown(issue.state->name);
  return line + " · " + rewardText(ticket.xp, ticket.gold) + "  [" + shown(issue.id) + "]";
}

int show(const LinearOptions& o, Io& io, AppContext& app) {
  LinearAuthStore& store = app.linear();
  store.refresh(o.force, {});
  app.runLoop().settle();
  const std::vector<Linear::Issue> issues = store.openIssues();
  if (o.json) {
    Json out = Json::object();
    out["mode"] = modeName(store.mode());
    out["statusLine"] = store.statusLine();
    out["issues"] = json_coding::encode(issues);
    printJson(io.out, out);
    return store.result() ? EXIT_DONE : EXIT_FAILED;
  }
  (store.failed() ? io.err : io.out) << shown(store.statusLine()) << "\n";
  for (const Linear::Issue& issue : issues) io.out << issueLine(issue, app.now()) << "\n";
  return store.result() ? EXIT_DONE : EXIT_FAILED;
}

// The key from standard input, or typed without echo on a terminal.
std::string readKey(Io& io) {
  std::string key;
  if (io.terminal && isatty(STDIN_FILENO)) {
    io.out << Loc::string("cli.linear.keyPrompt", "Clé d'API personnelle Linear : ") << std::flush;
    termios before{};
    tcgetattr(STDIN_FILENO, &before);
    termios hidden = before;
    hidden.c_lflag &= ~tcflag_t(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &hidden);
    std::getline(io.in, key);
    tcsetattr(STDIN_FILENO, TCSANOW, &before);
    io.out << "\n";
  } else {
    std::getline(io.in, key);
  }
  const std::string trimmed(text::trim(key));
  if (trimmed.empty() || text::hasControlCharacters(trimmed)) {
    throw UsageError(Loc::string("cli.linear.noKey", "aucune clé Linear lue"));
  }
  return trimmed;
}

int login(Io& io, AppContext& app) {
  LinearAuthStore& store = app.linear();
  const std::optional<std::string> url = store.beginOAuth();
  if (!url) {
    io.err << "talewick : " << shown(store.statusLine()) << "\n";
    return EXIT_FAILED;
  }
  openInBrowser(io, *url);
  io.out << shown(store.statusLine()) << "\n";
  return EXIT_DONE;
}

int saveKey(Io& io, AppContext& app) {
  app.linear().setPersonalKey(readKey(io));
  io.out << Loc::string("cli.linear.keySaved", "Clé Linear gardée dans le trousseau.") << "\n";
  return EXIT_DONE;
}

// The issue of `id` (its Linear id or its key) in the last fetch, fetching once when absent.
std::optional<Linear::Issue> findIssue(const std::string& id, LinearAuthStore& store,
                                       AppContext& app) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (store.result()) {
      for (const Linear::Issue& issue : store.result()->issues) {
        if (issue.id == id || issue.identifier == id) return issue;
      }
    }
    if (attempt == 0) {
      store.refresh(false, {});
      app.runLoop().settle();
    }
  }
  return std::nullopt;
}

int complete(const LinearOptions& o, Io& io, AppContext& app) {
  const std::string id = issueArgument(o.id);
  LinearAuthStore& store = app.linear();
  const std::optional<Linear::Issue> issue = findIssue(id, store, app);
  if (!issue) {
    throw UsageError(Loc::format(
        Loc::string("cli.linear.unknown", "Aucun ticket Linear « %@ » parmi les tiens."), {id}));
  }
  // The reward as listed: the ticket the kingdom showed.
  const TrackerTicket ticket = LinearTickets::ticket(*issue, app.now());
  if (store.suppressed().contains(issue->id)) {
    io.out << Loc::format(Loc::string("cli.pipeline.alreadyDone", "Déjà fait ici : %@"),
                          {shown(issue->title)})
           << "\n";
    return EXIT_DONE;
  }
  std::optional<bool> ok;
  store.complete(issue->id, [&ok](std::optional<Linear::Issue> done) { ok = done.has_value(); });
  app.runLoop().settle();
  if (!ok.value_or(false)) {
    io.err << "talewick : " << shown(store.statusLine()) << "\n";
    return EXIT_FAILED;
  }
  creditCompletion(io, app, ticket.id, issue->title, ticket.xp, ticket.gold);
  return EXIT_DONE;
}

int comment(const LinearOptions& o, Io& io, AppContext& app) {
  const std::string id = issueArgument(o.id);
  std::string body;
  for (const std::string& word : o.words) body += (body.empty() ? "" : " ") + word;
  if (text::trim(body).empty()) {
    throw UsageError(Loc::string("cli.linear.emptyComment", "le commentaire est vide"));
  }
  LinearAuthStore& store = app.linear();
  std::optional<bool> ok;
  store.addComment(id, body, [&ok](bool done) { ok = done; });
  app.runLoop().settle();
  (ok.value_or(false) ? io.out : io.err) << shown(store.statusLine()) << "\n";
  return ok.value_or(false) ? EXIT_DONE : EXIT_FAILED;
}

}  // namespace

Command linearCommand() {
  return Command{
      "linear",
      Loc::string("cli.linear.help", "Tes tickets Linear ouverts (via le backend ou ta clé)"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<LinearOptions>();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        cmd.add_flag("--force", o->force,
                     Loc::string("cli.pipeline.force", "Redemande tout aux services"));
        o->login = cmd.add_subcommand(
            "login",
            Loc::string("cli.linear.loginHelp",
                        "Connecte Linear en OAuth, sans le backend (ouvre le navigateur)"));
        o->key = cmd.add_subcommand(
            "key", Loc::string("cli.linear.keyHelp",
                               "Garde une clé d'API personnelle (lue sur l'entrée standard)"));
        o->done = cmd.add_subcommand(
            "done", Loc::string("cli.linear.doneHelp", "Termine le ticket dans Linear"));
        o->done->add_option("id", o->id, "id")->required();
        o->comment = cmd.add_subcommand(
            "comment", Loc::string("cli.linear.commentHelp", "Commente le ticket dans Linear"));
        o->comment->add_option("id", o->id, "id")->required();
        o->comment->add_option("text", o->words, "text")->required();
        o->workspace = cmd.add_subcommand(
            "workspace",
            Loc::string("cli.linear.workspaceHelp", "Choisit l'espace Linear du backend"));
        o->workspace->add_option("id", o->id, "id")->required();
        return [o](Io& io, AppContext& app) -> int {
          if (o->login->parsed()) return login(io, app);
          if (o->key->parsed()) return saveKey(io, app);
          if (o->done->parsed()) return complete(*o, io, app);
          if (o->comment->parsed()) return comment(*o, io, app);
          if (o->workspace->parsed()) {
            app.linear().selectWorkspace(issueArgument(o->id));
            return EXIT_DONE;
          }
          return show(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
