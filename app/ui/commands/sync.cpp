// `talewick sync`: one meeting with the cloud folder — the hero takes in what the cloud has
// better, the cloud gets what this machine has better, and the shared preferences are mirrored.
#include <memory>

#include "platform/atomic_file.hpp"
#include "platform/paths.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct SyncOptions {
  bool json = false;
};

std::optional<HeroSyncPayload> decoded(const std::optional<std::string>& bytes) {
  if (!bytes) return std::nullopt;
  try {
    return decodeJsonText<HeroSyncPayload>(*bytes);
  } catch (const DecodeError&) {
    return std::nullopt;
  }
}

std::string quoted(const std::optional<std::string>& text) {
  return text ? "« " + *text + " »" : "—";
}

// What differs between two versions of the hero, one short phrase per change.
std::vector<std::string> differences(const std::optional<HeroSyncPayload>& before,
                                     const std::optional<HeroSyncPayload>& after) {
  if (!after) return {};
  if (!before) return {Loc::string("cli.sync.wholeHero", "héros entier")};
  std::vector<std::string> out;
  auto number = [&](const char* key, const char* french, int64_t a, int64_t b) {
    if (a != b) {
      out.push_back(Loc::format(Loc::string(key, french), {std::to_string(a), std::to_string(b)}));
    }
  };
  auto words = [&](const char* key, const char* french, const std::optional<std::string>& a,
                   const std::optional<std::string>& b) {
    if (a != b) out.push_back(Loc::format(Loc::string(key, french), {quoted(a), quoted(b)}));
  };
  number("cli.sync.xp", "expérience %@ → %@", before->totalXp, after->totalXp);
  number("cli.sync.gold", "or %@ → %@", before->gold, after->gold);
  number("cli.sync.streak", "série %@ → %@", before->streak, after->streak);
  words("cli.sync.name", "nom %@ → %@", before->name, after->name);
  words("cli.sync.avatar", "avatar %@ → %@", before->avatar, after->avatar);
  words("cli.sync.vocation", "vocation %@ → %@", before->vocationName, after->vocationName);
  words("cli.sync.title", "titre %@ → %@", before->equippedTitleID, after->equippedTitleID);
  words("cli.sync.tagline", "devise %@ → %@", before->tagline, after->tagline);
  if (before->unlockedTitleIDs != after->unlockedTitleIDs) {
    out.push_back(Loc::string("cli.sync.titles", "titres débloqués"));
  }
  size_t receipts = 0;
  for (RewardKind kind : allCases<RewardKind>()) {
    for (const std::string& r : after->receipts(kind)) {
      const auto& old = before->receipts(kind);
      if (std::find(old.begin(), old.end(), r) == old.end()) ++receipts;
    }
  }
  if (receipts > 0) {
    out.push_back(Loc::counted(static_cast<int64_t>(receipts), "cli.sync.receipts",
                               "%@ reçu de récompense", "%@ reçus de récompense"));
  }
  return out;
}

std::string listed(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

int sync(const SyncOptions& o, Io& io, AppContext& app) {
  const auto heroFile = paths::dataFolder() / HeroStore::FILE_NAME;
  KeyValueCloudStore& cloud = app.cloudStore();
  const auto localBefore = decoded(files::read(heroFile));
  const auto cloudBefore = decoded(cloud.data(HeroStore::CLOUD_KEY));

  const HeroSyncPayload hero = *app.heroStore().payload();  // start-up meets the cloud
  const CloudPrefsSync::Round prefs = app.cloudPrefsSync().firstRound();
  app.runLoop().settle();
  const auto cloudAfter = decoded(cloud.data(HeroStore::CLOUD_KEY));

  // Nothing can have come from an empty cloud (a first start makes the default hero itself).
  const std::vector<std::string> received =
      cloudBefore ? differences(localBefore, hero) : std::vector<std::string>{};
  const std::vector<std::string> sent = differences(cloudBefore, cloudAfter);
  const auto folder = paths::cloudFolder(app.preferences()).path;
  if (o.json) {
    printJson(io.out, {{"cloudFolder", folder.string()},
                       {"received", received},
                       {"sent", sent},
                       {"preferencesPulled", prefs.pulled},
                       {"preferencesPushed", prefs.pushed}});
    return EXIT_DONE;
  }
  io.out << Loc::format(Loc::string("cli.sync.folder", "Nuage : %@"), {shown(folder.string())})
         << "\n";
  if (received.empty() && sent.empty() && prefs.pulled.empty() && prefs.pushed.empty()) {
    io.out << Loc::string("cli.sync.upToDate", "Déjà à jour.") << "\n";
    return EXIT_DONE;
  }
  if (!received.empty()) {
    io.out << Loc::format(Loc::string("cli.sync.received", "Reçu du nuage : %@"),
                          {shown(listed(received))})
           << "\n";
  }
  if (!sent.empty()) {
    io.out << Loc::format(Loc::string("cli.sync.sent", "Envoyé au nuage : %@"),
                          {shown(listed(sent))})
           << "\n";
  }
  if (!prefs.pulled.empty()) {
    io.out << Loc::format(Loc::string("cli.sync.pulled", "Préférences reçues : %@"),
                          {shown(listed(prefs.pulled))})
           << "\n";
  }
  if (!prefs.pushed.empty()) {
    io.out << Loc::format(Loc::string("cli.sync.pushed", "Préférences envoyées : %@"),
                          {shown(listed(prefs.pushed))})
           << "\n";
  }
  return EXIT_DONE;
}

}  // namespace

Command syncCommand() {
  return Command{"sync",
                 Loc::string("cli.sync.help", "Rencontre le dossier nuage : héros et préférences"),
                 [](CLI::App& cmd) -> Handler {
                   auto o = std::make_shared<SyncOptions>();
                   cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
                   return [o](Io& io, AppContext& app) { return sync(*o, io, app); };
                 }};
}

}  // namespace talewick::ui
