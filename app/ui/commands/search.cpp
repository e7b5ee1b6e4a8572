// `talewick search TEXT...`: occurrences from six months back to six months ahead whose title,
// place or quest name holds every word (case and accents aside), best first.
#include <cstdio>
#include <memory>

#include "core/calendar_access.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

constexpr int kMonthsBack = 6;
constexpr int kMonthsForward = 6;

struct SearchOptions {
  std::vector<std::string> words;
  bool json = false;
};

std::string when(Date date) {
  const LocalCalendar::Fields f = LocalCalendar::fields(date);
  char text[24];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", f.year, f.month, f.day, f.hour,
                f.minute);
  return text;
}

int search(const SearchOptions& o, Io& io, AppContext& app) {
  std::string text;
  for (const std::string& word : o.words) text += (text.empty() ? "" : " ") + word;
  const std::vector<QuestStore::ChronicleHit> hits =
      app.questStore().searchChronicles(text, kMonthsBack, kMonthsForward);
  if (o.json) {
    DateStyleScope iso(DateStyle::iso8601);
    Json out = Json::array();
    for (const QuestStore::ChronicleHit& hit : hits) {
      out.push_back(Json{{"id", hit.id},
                         {"date", json_coding::encode(hit.date)},
                         {"location", json_coding::encode(hit.location)},
                         {"score", hit.score},
                         {"quest", json_coding::encode(hit.quest)}});
    }
    printJson(io.out, out);
    return EXIT_DONE;
  }
  if (hits.empty()) {
    io.out << Loc::string("cli.search.none", "Aucune chronique trouvée.") << "\n";
    return EXIT_DONE;
  }
  for (const QuestStore::ChronicleHit& hit : hits) {
    io.out << when(hit.date) << "  " << hit.quest.emoji << "  " << padded(hit.quest.name, 32)
           << "  " << shown(hit.quest.rawTitle);
    if (hit.location && !hit.location->empty()) io.out << " · " << shown(*hit.location);
    io.out << "  ("
           << Loc::format(Loc::string("cli.search.score", "score %@"), {std::to_string(hit.score)})
           << ")  [" << shown(CalendarAccess::eventIdentifier(hit.quest)) << "]\n";
  }
  return EXIT_DONE;
}

}  // namespace

Command searchCommand() {
  return Command{
      "search",
      Loc::string("cli.search.help", "Cherche dans les chroniques, six mois avant et après"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<SearchOptions>();
        cmd.add_option("text", o->words, Loc::string("cli.search.text", "Les mots cherchés"))
            ->required();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        return [o](Io& io, AppContext& app) { return search(*o, io, app); };
      }};
}

}  // namespace talewick::ui
