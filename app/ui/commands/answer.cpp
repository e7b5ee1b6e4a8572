// `talewick answer QUEST_ID accept|maybe|decline [--date DATE]`: answers an invitation received
// in a Google calendar, at Google, through the backend. A quest that is no such invitation is
// refused with the reason.
#include <memory>

#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/invitation_answer.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct AnswerOptions {
  std::string id;
  std::string answer;
  std::string date;
};

std::string rsvpOf(const std::string& word) {
  if (word == "accept") return "accepted";
  if (word == "maybe") return "tentative";
  if (word == "decline") return "declined";
  throw UsageError(Loc::format(
      Loc::string("cli.answer.badAnswer", "réponse inconnue : « %@ » (accept, maybe ou decline)"),
      {shown(word)}));
}

int answerQuest(const AnswerOptions& o, Io& io, AppContext& app) {
  const std::string rsvp = rsvpOf(o.answer);
  const Date day = o.date.empty() ? app.now() : parseDay(o.date);
  QuestStore& store = loadWeek(app, day);
  const Quest quest = findQuest(store, o.id, day);
  const std::string eventID = quest.id.substr(std::string_view("quest_").size());
  if (!receivedInvitation(app, quest)) {
    io.err << Loc::format(Loc::string("cli.answer.notInvitation",
                                      "« %@ » n'est pas une invitation reçue dans Google "
                                      "Calendar : réponds-y dans son calendrier."),
                          {shown(quest.rawTitle)})
           << "\n";
    return EXIT_FAILED;
  }
  google::InviteRSVPService& service = app.inviteRSVP();
  std::optional<std::pair<bool, std::string>> outcome;
  service.warmUpIfNeeded([&] {
    service.respond(rsvp, eventID, quest.startDate, [&](bool ok, const std::string& failure) {
      outcome = {ok, failure};
    });
  });
  app.runLoop().settle();
  if (!outcome || !outcome->first) {
    const std::string why =
        outcome && !outcome->second.empty() ? outcome->second : app.googleCalendar().statusLine();
    io.err << shown(Loc::format(
                  Loc::string("cli.answer.failed", "Réponse non envoyée : %@"),
                  {why.empty() ? Loc::string("cli.answer.noTarget", "événement Google introuvable")
                               : why}))
           << "\n";
    return EXIT_FAILED;
  }
  io.out << Loc::format(Loc::string("cli.answer.done", "Réponse envoyée (%@) — %@"),
                        {rsvp, shown(quest.rawTitle)})
         << "\n";
  return EXIT_DONE;
}

}  // namespace

Command answerCommand() {
  return Command{
      "answer",
      Loc::string("cli.answer.help", "Répond à une invitation reçue dans Google Calendar"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<AnswerOptions>();
        cmd.add_option("id", o->id,
                       Loc::string("cli.quest.idArg",
                                   "Identifiant de la quête (entre crochets dans "
                                   "les listes)"))
            ->required();
        cmd.add_option("answer", o->answer,
                       Loc::string("cli.answer.answerArg", "accept, maybe ou decline"))
            ->required();
        cmd.add_option("--date", o->date,
                       Loc::string("cli.quest.date", "Un jour de sa semaine (AAAA-MM-JJ)"));
        return [o](Io& io, AppContext& app) { return answerQuest(*o, io, app); };
      }};
}

}  // namespace talewick::ui
