// `talewick title-mode [epic|real|both]`: which of a quest's two names the lists show — the epic
// quest name, the real title, or the real title with the quest name under it.
#include <memory>

#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct TitleModeOptions {
  std::string mode;
};

std::string describe(CalendarTitleMode mode) {
  switch (mode) {
    case CalendarTitleMode::epic:
      return Loc::string("cli.titleMode.epic", "le nom de quête épique");
    case CalendarTitleMode::real:
      return Loc::string("cli.titleMode.real", "le vrai titre de l'événement");
    case CalendarTitleMode::both:
      break;
  }
  return Loc::string("cli.titleMode.both", "le vrai titre, avec le nom de quête en dessous");
}

int showOrSet(const TitleModeOptions& o, Io& io, AppContext& app) {
  if (!o.mode.empty()) {
    const auto mode = fromRaw<CalendarTitleMode>(o.mode);
    if (!mode) {
      throw UsageError(
          Loc::format(Loc::string("cli.titleMode.bad",
                                  "mode de titre inconnu « %@ » (modes : epic, real, both)"),
                      {o.mode}));
    }
    app.preferences().set(std::string(CALENDAR_TITLE_MODE_KEY), o.mode);
    io.out << Loc::format(Loc::string("cli.titleMode.changed", "Les listes montrent désormais %@."),
                          {describe(*mode)})
           << "\n";
    return EXIT_DONE;
  }
  const CalendarTitleMode current = titleMode(app);
  io.out << Loc::format(Loc::string("cli.titleMode.current", "Les listes montrent %@ (%@)."),
                        {describe(current), rawValue(current)})
         << "\n\n";
  for (CalendarTitleMode m : allCases<CalendarTitleMode>()) {
    io.out << (m == current ? "● " : "  ") << padded(std::string(rawValue(m)), 6) << describe(m)
           << "\n";
  }
  return EXIT_DONE;
}

}  // namespace

Command titleModeCommand() {
  return Command{"title-mode",
                 Loc::string("cli.titleMode.help", "Nom de quête épique, vrai titre, ou les deux"),
                 [](CLI::App& cmd) -> Handler {
                   auto o = std::make_shared<TitleModeOptions>();
                   cmd.add_option("mode", o->mode,
                                  Loc::string("cli.titleMode.arg", "epic, real ou both"));
                   return [o](Io& io, AppContext& app) { return showOrSet(*o, io, app); };
                 }};
}

}  // namespace talewick::ui
