// `talewick invites [--json] [--refresh]`: the invitations sent, each guest with their answer.
// The answers are read from the relay first when they were last read a minute ago or more
// (--refresh: whatever their age).
#include <memory>

#include "support/loc.hpp"
#include "text/rsvp.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/invitation_answer.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct InvitesOptions {
  bool json = false;
  bool refresh = false;
};

int listInvites(const InvitesOptions& o, Io& io, AppContext& app) {
  app.invitations().refreshAll(o.refresh, [](std::vector<invites::AnswerNews>) {});
  app.runLoop().settle();
  const auto& records = app.inviteRegistry().records();
  if (o.json) {
    DateStyleScope iso(DateStyle::iso8601);
    Json list = Json::array();
    for (const auto& [uid, record] : records) {
      Json entry = json_coding::encode(record);
      entry["answers"] = json_coding::encode(invites::Invitations::answersOf(record));
      list.push_back(std::move(entry));
    }
    printJson(io.out, list);
    return EXIT_DONE;
  }
  if (records.empty()) {
    io.out << Loc::string("cli.invites.none", "Aucune invitation envoyée.") << "\n";
    return EXIT_DONE;
  }
  for (const auto& [uid, record] : records) {
    const RSVPRecord answers = invites::Invitations::answersOf(record);
    io.out << shown(record.title.value_or(uid)) << " — "
           << answers.summary(static_cast<int64_t>(record.sentInvitees.size())) << "\n";
    for (const RSVPEntry& guest : answers.invitees) {
      io.out << "  " << shown(guest.name ? *guest.name + " <" + guest.email + ">" : guest.email)
             << " : " << rsvpText(guest.status) << "\n";
    }
  }
  return EXIT_DONE;
}

}  // namespace

Command invitesCommand() {
  return Command{
      "invites",
      Loc::string("cli.invites.help", "Les invitations envoyées et les réponses des invités"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<InvitesOptions>();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        cmd.add_flag("--refresh", o->refresh,
                     Loc::string("cli.invites.refresh",
                                 "Relire les réponses même lues il y a moins d'une minute"));
        return [o](Io& io, AppContext& app) { return listInvites(*o, io, app); };
      }};
}

}  // namespace talewick::ui
