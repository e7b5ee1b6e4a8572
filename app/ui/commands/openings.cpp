// `talewick openings`: booking links. `openings [--json]` lists the pages published from here;
// `openings publish TITLE… --minutes N [--days D] [--auto]` publishes the free slots of the coming
// days and prints the link; `openings requests [--json]` shows what visitors asked for;
// `openings approve ID` and `openings decline ID` answer one; `openings import` writes the
// confirmed bookings into the calendar.
#include <memory>

#include "services/openings/openings_service.hpp"
#include "support/date.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

using openings::BookingRequest;
using openings::OpeningsService;
using openings::Outcome;

// The longest horizon a page offers: beyond it, the calendar is rarely settled yet.
constexpr int64_t MAX_DAYS = 60;

struct OpeningsOptions {
  bool json = false;
  CLI::App* publish = nullptr;
  CLI::App* requests = nullptr;
  CLI::App* approve = nullptr;
  CLI::App* decline = nullptr;
  CLI::App* import = nullptr;
  std::vector<std::string> title;
  std::string minutes;
  std::string days = "14";
  bool automatic = false;
  std::string id;
};

// Runs `start` and the main loop until its completion has run; the outcome it handed back.
template <class T>
Outcome<T> waitFor(AppContext& app,
                   const std::function<void(std::function<void(Outcome<T>)>)>& start) {
  Outcome<T> result;
  start([&result](Outcome<T> outcome) { result = std::move(outcome); });
  app.runLoop().settle();
  return result;
}

int failure(Io& io, const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    io.err << "talewick : " << shown(e.what()) << "\n";
  }
  return EXIT_FAILED;
}

// "jeudi 10 décembre 09:30" for a slot, in this machine's time zone; the slot as written when it
// does not read as a date.
std::string slotShown(const std::string& slot) {
  const std::optional<iso8601::Parsed> parsed = iso8601::parse(slot);
  if (!parsed || !parsed->offsetSeconds) return shown(slot);
  const Date start = iso8601::instant(parsed->civil, *parsed->offsetSeconds);
  return dayHeading(start) + " " + clockText(start);
}

std::string statusShown(const std::string& status) {
  if (status == "pending") return Loc::string("cli.openings.pending", "en attente");
  if (status == "confirmed") return Loc::string("cli.openings.confirmed", "confirmée");
  if (status == "imported") return Loc::string("cli.openings.imported", "dans l'agenda");
  if (status == "declined") return Loc::string("cli.openings.declined", "refusée");
  return shown(status);
}

std::string requestLine(const BookingRequest& r) {
  return slotShown(r.slot) + " — " + shown(r.openingTitle) + " — " + shown(r.name) + " <" +
         shown(r.email) + "> [" + statusShown(r.status) + "] (" + shown(r.id) + ")";
}

int listPublished(const OpeningsOptions& o, Io& io, AppContext& app) {
  const std::vector<openings::PublishedOpening> published = app.openings().publishedOpenings();
  if (o.json) {
    printJson(io.out, Json(published));
    return EXIT_DONE;
  }
  if (published.empty()) {
    io.out << Loc::string("cli.openings.none",
                          "Aucune page de réservation publiée (talewick openings publish).")
           << "\n";
  }
  for (const openings::PublishedOpening& p : published) {
    io.out << shown(p.title) << " — " << p.durationMin << " min (" << shown(p.id) << ")\n";
  }
  return EXIT_DONE;
}

int publish(const OpeningsOptions& o, Io& io, AppContext& app) {
  std::string title;
  for (const std::string& word : o.title) title += (title.empty() ? "" : " ") + word;
  if (title.empty()) {
    throw UsageError(Loc::string("cli.openings.noTitle", "il faut un titre à la page"));
  }
  const int64_t minutes = parseWholeNumber(o.minutes, "--minutes", 5, 480);
  AvailabilityConfig config;
  config.horizonDays = parseWholeNumber(o.days, "--days", 1, MAX_DAYS);
  OpeningsService& service = app.openings();
  const Outcome<std::string> link = waitFor<std::string>(app, [&](auto done) {
    service.publish(title, minutes, o.automatic ? "auto" : "manual", config, std::move(done));
  });
  if (!link.ok()) return failure(io, link.failure);
  if (o.json) {
    printJson(io.out, Json{{"url", *link.value}, {"opening", service.publishedOpenings().back()}});
  } else {
    io.out << Loc::string("cli.openings.published", "Page de réservation publiée :") << " "
           << shown(*link.value) << "\n";
  }
  return EXIT_DONE;
}

// The requests, fresh from the backend; nullopt (the reason said) when they cannot be had.
std::optional<std::vector<BookingRequest>> freshRequests(Io& io, AppContext& app) {
  OpeningsService& service = app.openings();
  service.refreshBookingRequests();
  app.runLoop().settle();
  if (service.bookingsError()) {
    io.err << "talewick : " << shown(*service.bookingsError()) << "\n";
    return std::nullopt;
  }
  return service.bookingRequests();
}

int requests(const OpeningsOptions& o, Io& io, AppContext& app) {
  const auto requests = freshRequests(io, app);
  if (!requests) return EXIT_FAILED;
  if (o.json) {
    printJson(io.out, Json(*requests));
    return EXIT_DONE;
  }
  if (requests->empty()) {
    io.out << Loc::string("cli.openings.noRequests", "Aucune demande de réservation.") << "\n";
  }
  for (const BookingRequest& r : *requests) io.out << requestLine(r) << "\n";
  return EXIT_DONE;
}

int answer(const OpeningsOptions& o, bool approve, Io& io, AppContext& app) {
  const auto requests = freshRequests(io, app);
  if (!requests) return EXIT_FAILED;
  const auto found = std::find_if(requests->begin(), requests->end(),
                                  [&](const BookingRequest& r) { return r.id == o.id; });
  if (found == requests->end()) {
    throw UsageError(Loc::format(
        Loc::string("cli.openings.unknown", "demande de réservation inconnue : %@"), {o.id}));
  }
  const BookingRequest request = *found;
  OpeningsService& service = app.openings();
  const Outcome<bool> done = waitFor<bool>(app, [&](auto finished) {
    if (approve) {
      service.approve(request, std::move(finished));
    } else {
      service.decline(request, std::move(finished));
    }
  });
  if (!done.ok()) return failure(io, done.failure);
  BookingRequest answered = request;
  answered.status = !approve ? "declined" : *done.value ? "imported" : "confirmed";
  io.out << Loc::format(approve ? Loc::string("cli.openings.approved", "Acceptée : %@")
                                : Loc::string("cli.openings.declinedNow", "Refusée : %@"),
                        {requestLine(answered)})
         << "\n";
  if (*done.value) {
    io.out << Loc::string("cli.openings.written", "Inscrite à l'agenda.") << "\n";
  }
  return EXIT_DONE;
}

int import(Io& io, AppContext& app) {
  OpeningsService& service = app.openings();
  const Outcome<int> written =
      waitFor<int>(app, [&](auto done) { service.pollAndImport(std::move(done)); });
  for (const BookingRequest& r : service.lastImported()) io.out << requestLine(r) << "\n";
  if (!written.ok()) return failure(io, written.failure);
  io.out << Loc::format(Loc::string("cli.openings.importCount",
                                    "%@ réservation(s) inscrite(s) à l'agenda."),
                        {std::to_string(*written.value)})
         << "\n";
  return EXIT_DONE;
}

}  // namespace

Command openingsCommand() {
  return Command{
      "openings",
      Loc::string("cli.openings.help",
                  "Pages de réservation : publier des créneaux libres, suivre les demandes"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<OpeningsOptions>();
        const std::string json = Loc::string("cli.json", "Sortie JSON");
        cmd.add_flag("--json", o->json, json);
        o->publish = cmd.add_subcommand(
            "publish", Loc::string("cli.openings.publishHelp",
                                   "Publie les créneaux libres des prochains jours ouvrés"));
        o->publish
            ->add_option("title", o->title, Loc::string("cli.openings.title", "Titre de la page"))
            ->required();
        o->publish
            ->add_option("--minutes", o->minutes,
                         Loc::string("cli.openings.minutes", "Durée d'un rendez-vous en minutes"))
            ->required();
        o->publish->add_option("--days", o->days,
                               Loc::string("cli.openings.days",
                                           "Nombre de jours proposés à partir d'aujourd'hui (14)"));
        o->publish->add_flag(
            "--auto", o->automatic,
            Loc::string("cli.openings.auto", "Confirme les réservations sans attendre ton accord"));
        o->publish->add_flag("--json", o->json, json);
        o->requests = cmd.add_subcommand(
            "requests", Loc::string("cli.openings.requestsHelp", "Les demandes des visiteurs"));
        o->requests->add_flag("--json", o->json, json);
        o->approve = cmd.add_subcommand(
            "approve", Loc::string("cli.openings.approveHelp", "Accepte une demande"));
        o->decline = cmd.add_subcommand(
            "decline", Loc::string("cli.openings.declineHelp", "Refuse une demande"));
        for (CLI::App* sub : {o->approve, o->decline}) {
          sub->add_option("id", o->id, Loc::string("cli.openings.id", "Identifiant de la demande"))
              ->required();
        }
        o->import = cmd.add_subcommand(
            "import", Loc::string("cli.openings.importHelp",
                                  "Inscrit à l'agenda les réservations confirmées"));
        return [o](Io& io, AppContext& app) {
          if (o->publish->parsed()) return publish(*o, io, app);
          if (o->requests->parsed()) return requests(*o, io, app);
          if (o->approve->parsed()) return answer(*o, true, io, app);
          if (o->decline->parsed()) return answer(*o, false, io, app);
          if (o->import->parsed()) return import(io, app);
          return listPublished(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
