// `talewick campaign`: goals of several chapters, each anchored to real work (a calendar, a
// reminders list, a tracker's project or label) or declared by hand. new, list, show, advance (a
// manual chapter), sleep, wake, abandon, chronicle.
#include <memory>

#include "core/uuid.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/kingdom_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct CampaignOptions {
  CLI::App* newCmd = nullptr;
  CLI::App* listCmd = nullptr;
  CLI::App* showCmd = nullptr;
  CLI::App* advanceCmd = nullptr;
  CLI::App* sleepCmd = nullptr;
  CLI::App* wakeCmd = nullptr;
  CLI::App* abandonCmd = nullptr;
  CLI::App* chronicleCmd = nullptr;
  std::vector<std::string> title;
  std::string realm;
  std::vector<std::string> chapters;
  std::string intent;
  std::string id;
  bool json = false;
};

std::string refusalText(Campaigns::Refusal refusal, bool waking) {
  if (waking)
    return Loc::string("campaign.refused.wake", "Libère un territoire pour la réveiller.");
  return refusal == Campaigns::Refusal::realmTaken
             ? Loc::string("campaign.refused.realm",
                           "Ce territoire a déjà une campagne active — endors-la ou choisis un "
                           "autre conteneur.")
             : Loc::string("campaign.refused.three",
                           "Trois campagnes sont déjà en cours (une par territoire). Endors-en une "
                           "pour lancer celle-ci — rien n'est perdu.");
}

// "TITLE:calendar:ID", "TITLE:reminders:LIST" or "TITLE:manual".
Campaigns::ChapterDraft chapterDraft(const std::string& text) {
  const size_t colon = text.find(':');
  const std::string title = colon == std::string::npos ? "" : text.substr(0, colon);
  const std::string anchor = colon == std::string::npos ? "" : text.substr(colon + 1);
  Campaigns::ChapterDraft draft;
  draft.title = title;
  if (anchor == "manual") {
    draft.anchor = Campaigns::Anchor::manual();
    draft.isManual = true;
  } else if (anchor.rfind("calendar:", 0) == 0 && anchor.size() > 9) {
    draft.anchor = Campaigns::Anchor::calendar(anchor.substr(9));
  } else if (anchor.rfind("reminders:", 0) == 0 && anchor.size() > 10) {
    draft.anchor =
        Campaigns::Anchor::unknown(KingdomCampaignStore::REMINDERS_LIST_ANCHOR, anchor.substr(10));
  } else if (anchor.rfind("project:", 0) == 0 && anchor.size() > 8) {
    draft.anchor =
        Campaigns::Anchor::unknown(KingdomCampaignStore::TRACKER_PROJECT_ANCHOR, anchor.substr(8));
  } else if (anchor.rfind("label:", 0) == 0 && anchor.size() > 6) {
    draft.anchor =
        Campaigns::Anchor::unknown(KingdomCampaignStore::TRACKER_LABEL_ANCHOR, anchor.substr(6));
  }
  if (title.empty() || (!draft.isManual && draft.anchor.isManual())) {
    throw UsageError(Loc::format(
        Loc::string("cli.campaign.badChapter",
                    "chapitre illisible : « %@ » (attendu : TITRE:calendar:ID, "
                    "TITRE:reminders:LISTE, TITRE:project:PROJET, TITRE:label:ÉTIQUETTE "
                    "ou TITRE:manual)"),
        {shown(text)}));
  }
  return draft;
}

std::string anchorText(const Campaigns::Anchor& a) {
  if (a.isManual()) return Loc::string("cli.campaign.manual", "à la main");
  if (a.unknownKind == KingdomCampaignStore::REMINDERS_LIST_ANCHOR)
    return "reminders:" + shown(a.value);
  if (a.unknownKind == KingdomCampaignStore::TRACKER_PROJECT_ANCHOR)
    return "project:" + shown(a.value);
  if (a.unknownKind == KingdomCampaignStore::TRACKER_LABEL_ANCHOR) return "label:" + shown(a.value);
  return a.storedKind() + ":" + shown(a.value);
}

const Campaigns::Campaign& campaignNamed(AppContext& app, const std::string& id) {
  if (const Campaigns::Campaign* c = app.kingdom().campaigns().find(id)) return *c;
  throw UsageError(Loc::format(Loc::string("cli.campaign.unknown", "campagne introuvable : « %@ »"),
                               {shown(id)}));
}

int create(const CampaignOptions& o, Io& io, AppContext& app) {
  std::string title;
  for (const std::string& w : o.title) title += (title.empty() ? "" : " ") + w;
  if (title.empty()) {
    throw UsageError(Loc::string("cli.campaign.noTitle", "une campagne a besoin d'un titre"));
  }
  const std::optional<WorldQuests::Realm> realm = fromRaw<WorldQuests::Realm>(o.realm);
  if (!realm) {
    throw UsageError(Loc::format(
        Loc::string(
            "cli.campaign.badRealm",
            "territoire inconnu : « %@ » (personal, tickets, reminders, deadlines, family)"),
        {shown(o.realm)}));
  }
  std::vector<Campaigns::ChapterDraft> drafts;
  for (const std::string& text : o.chapters) drafts.push_back(chapterDraft(text));
  if (drafts.empty()) {
    throw UsageError(Loc::string("cli.campaign.noChapter",
                                 "une campagne a besoin d'au moins un chapitre (--chapter)"));
  }
  const KingdomRefresh refresh = refreshKingdom(app);
  printPayments(io.out, refresh);
  const Date now = app.now();
  KingdomCoordinator& kingdom = app.kingdom();
  // An anchored chapter is done when every item its anchor holds now is done.
  for (Campaigns::ChapterDraft& d : drafts) {
    if (d.isManual) continue;
    const auto items = kingdom.anchorItems(d.anchor, now);
    if (!items || items->empty()) {
      throw UsageError(Loc::format(
          Loc::string("cli.campaign.emptyAnchor", "rien à accomplir dans « %@ » pour l'instant"),
          {anchorText(d.anchor)}));
    }
    d.targetCount = static_cast<int64_t>(items->size());
  }
  Campaigns::Campaign campaign = Campaigns::makeCampaign(
      Campaigns::campaignID(randomUUID()), title, o.intent, std::nullopt, *realm, drafts, now);
  if (auto refusal = kingdom.campaigns().add(campaign)) {
    throw UsageError(refusalText(*refusal, false));
  }
  kingdom.rebuildSnapshot();  // the first chapter takes its baseline now
  io.out << Loc::format(Loc::string("cli.campaign.created", "Campagne lancée : %@ (%@)"),
                        {shown(title), campaign.id})
         << "\n"
         << Loc::string("campaign.reminder",
                        "Rappel : 3 campagnes actives au maximum, une par "
                        "territoire.")
         << "\n";
  return EXIT_DONE;
}

void printCampaign(std::ostream& out, const Campaigns::Campaign& c, bool chapters) {
  const Campaigns::Summary s = Campaigns::summary(c);
  out << shown(c.title) << "  [" << rawValue(c.status) << ", " << rawValue(c.realm) << "]  "
      << s.chaptersCompleted << "/" << s.chaptersTotal << "  (" << c.id << ")\n";
  if (!chapters) return;
  const std::optional<size_t> active = c.activeChapterIndex();
  for (size_t i = 0; i < c.chapters.size(); ++i) {
    const Campaigns::Chapter& ch = c.chapters[i];
    out << "  "
        << (ch.completed  ? "✔"
            : active == i ? "→"
                          : "·")
        << " " << shown(ch.title) << " — " << anchorText(ch.anchor);
    if (!ch.isManual) out << "  " << ch.baselineIDs.size() << "/" << ch.targetCount;
    out << "\n";
  }
}

int list(const CampaignOptions& o, Io& io, AppContext& app) {
  const auto& campaigns = app.kingdom().campaigns().campaigns();
  if (o.json) {
    printJsonValue(io.out, campaigns);
    return EXIT_DONE;
  }
  if (campaigns.empty()) {
    io.out << Loc::string("cli.campaign.none",
                          "Aucune campagne : « talewick campaign new » en lance une.")
           << "\n";
  }
  for (const Campaigns::Campaign& c : campaigns) printCampaign(io.out, c, false);
  return EXIT_DONE;
}

int show(const CampaignOptions& o, Io& io, AppContext& app) {
  const Campaigns::Campaign& c = campaignNamed(app, o.id);
  if (o.json) {
    Json out = json_coding::encode(c);
    out["summary"] = json_coding::encode(Campaigns::summary(c));
    printJson(io.out, out);
    return EXIT_DONE;
  }
  printCampaign(io.out, c, true);
  return EXIT_DONE;
}

int advance(const CampaignOptions& o, Io& io, AppContext& app) {
  const std::string id = campaignNamed(app, o.id).id;
  KingdomCoordinator& kingdom = app.kingdom();
  if (!kingdom.campaigns().completeManualChapter(id, app.now())) {
    throw UsageError(
        Loc::string("cli.campaign.notManual", "le chapitre en cours ne se déclare pas à la main"));
  }
  const KingdomRefresh refresh = refreshKingdom(app);  // pays it
  printPayments(io.out, refresh);
  printCampaign(io.out, *kingdom.campaigns().find(id), true);
  return EXIT_DONE;
}

int sleepOrWake(const CampaignOptions& o, bool wake, Io& io, AppContext& app) {
  const std::string id = campaignNamed(app, o.id).id;
  KingdomCampaignStore& store = app.kingdom().campaigns();
  if (wake) {
    if (auto refusal = store.wake(id)) throw UsageError(refusalText(*refusal, true));
  } else if (!store.makeDormant(id)) {
    throw UsageError(Loc::string("cli.campaign.notActive", "cette campagne n'est pas active"));
  }
  printCampaign(io.out, *store.find(id), false);
  return EXIT_DONE;
}

int abandon(const CampaignOptions& o, Io& io, AppContext& app) {
  const std::string id = campaignNamed(app, o.id).id;
  const auto paid =
      app.kingdom().campaigns().remove(id, LocalCalendar::dayKey(app.now()), app.now());
  for (const Payment& p : paid.value_or(std::vector<Payment>{})) {
    io.out << paymentLine(p, std::nullopt) << "\n";
  }
  io.out << Loc::string("cli.campaign.abandoned", "Campagne close : elle entre dans la chronique.")
         << "\n";
  return EXIT_DONE;
}

int chronicle(const CampaignOptions& o, Io& io, AppContext& app) {
  const auto& entries = app.kingdom().campaignChronicle().entries();
  if (o.json) {
    printJsonValue(io.out, entries);
    return EXIT_DONE;
  }
  for (const Campaigns::ChronicleEntry& e : entries) {
    io.out << dayHeading(e.endedAt) << " — " << rawValue(e.outcome) << " — ";
    printCampaign(io.out, e.campaign, false);
  }
  return EXIT_DONE;
}

}  // namespace

Command campaignCommand() {
  return Command{
      "campaign",
      Loc::string("cli.campaign.help",
                  "Les campagnes : des buts en chapitres, nourris par ton vrai travail"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<CampaignOptions>();
        o->newCmd =
            cmd.add_subcommand("new", Loc::string("cli.campaign.newHelp", "Lance une campagne"));
        o->newCmd->add_option("title", o->title, Loc::string("cli.campaign.title", "Titre"))
            ->required();
        o->newCmd
            ->add_option(
                "--realm", o->realm,
                Loc::string("cli.campaign.realm",
                            "Territoire (personal, tickets, reminders, deadlines, family)"))
            ->required();
        o->newCmd
            ->add_option("--chapter", o->chapters,
                         Loc::string("cli.campaign.chapter",
                                     "Un chapitre : TITRE:calendar:ID, TITRE:reminders:LISTE ou "
                                     "TITRE:manual (dans l'ordre)"))
            ->required();
        o->newCmd->add_option("--intent", o->intent,
                              Loc::string("cli.campaign.intent", "Intention"));
        o->listCmd =
            cmd.add_subcommand("list", Loc::string("cli.campaign.listHelp", "Les campagnes"));
        o->chronicleCmd = cmd.add_subcommand(
            "chronicle",
            Loc::string("cli.campaign.chronicleHelp", "Les campagnes achevées ou closes"));
        for (CLI::App* sub : {o->listCmd, o->chronicleCmd}) {
          sub->add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        }
        const auto withId = [&](const char* name, const char* key, const char* help) {
          CLI::App* sub = cmd.add_subcommand(name, Loc::string(key, help));
          sub->add_option("id", o->id, Loc::string("cli.campaign.id", "Identifiant de la campagne"))
              ->required();
          return sub;
        };
        o->showCmd = withId("show", "cli.campaign.showHelp", "Une campagne et ses chapitres");
        o->showCmd->add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        o->advanceCmd = withId("advance", "cli.campaign.advanceHelp",
                               "Déclare accompli le chapitre en cours (un chapitre à la main)");
        o->sleepCmd =
            withId("sleep", "cli.campaign.sleepHelp", "Endort une campagne (rien n'est perdu)");
        o->wakeCmd = withId("wake", "cli.campaign.wakeHelp", "Réveille une campagne endormie");
        o->abandonCmd = withId("abandon", "cli.campaign.abandonHelp",
                               "Clôt une campagne (ce qu'elle a gagné est payé)");
        cmd.require_subcommand(1);
        return [o](Io& io, AppContext& app) {
          if (o->newCmd->parsed()) return create(*o, io, app);
          if (o->showCmd->parsed()) return show(*o, io, app);
          if (o->advanceCmd->parsed()) return advance(*o, io, app);
          if (o->sleepCmd->parsed()) return sleepOrWake(*o, false, io, app);
          if (o->wakeCmd->parsed()) return sleepOrWake(*o, true, io, app);
          if (o->abandonCmd->parsed()) return abandon(*o, io, app);
          if (o->chronicleCmd->parsed()) return chronicle(*o, io, app);
          return list(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
