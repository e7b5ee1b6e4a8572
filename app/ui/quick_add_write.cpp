#include "ui/quick_add_write.hpp"

#include <stdexcept>

#include "core/calendar_access.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

// --calendar names a calendar on purpose: by its identifier, else by a piece of its title. When
// nothing answers to it, writing somewhere else would surprise; that is a usage error. A "/hint"
// typed in the sentence is softer: calendarForHint falls back on the first writable calendar.
CalendarInfo chosenCalendar(CalendarEventStorePort& store, const std::string& option,
                            const std::optional<std::string>& typed) {
  const std::vector<CalendarInfo> writable = CalendarAccess::writableCalendars(store);
  if (writable.empty()) {
    throw std::runtime_error(Loc::string(
        "cli.add.noWritable",
        "aucun agenda où écrire : le dossier des calendriers n'en a aucun de modifiable"));
  }
  if (option.empty()) return *CalendarAccess::calendarForHint(store, typed.value_or(""));
  for (const CalendarInfo& c : writable) {
    if (c.identifier == option) return c;
  }
  if (auto found = CalendarAccess::calendarForHint(store, option);
      found && text::lower(found->title).find(text::lower(option)) != std::string::npos) {
    return *found;
  }
  std::string names;
  for (const CalendarInfo& c : writable) names += (names.empty() ? "" : ", ") + c.identifier;
  throw UsageError(
      Loc::format(Loc::string("cli.add.unknownCalendar",
                              "aucun agenda modifiable ne répond à « %@ » (agendas : %@)"),
                  {option, names}));
}

}  // namespace

// A day that does not exist or a repetition that cannot be leaves its words in the title and the
// event on another day, or unrepeated: written, it would not be what the user meant.
void refuseImpossible(const ParsedEvent& draft) {
  const auto refused = [](const char* key, const char* french, const std::string& words) {
    return UsageError(Loc::format(Loc::string(key, french), {words}) +
                      Loc::string("cli.add.nothingWritten", ", rien n'est écrit"));
  };
  if (draft.impossibleDate) {
    throw refused("cli.quick.impossibleDate", "« %@ » : ce jour n'existe pas",
                  *draft.impossibleDate);
  }
  if (draft.impossibleRecurrence) {
    throw refused("cli.quick.impossibleRecurrence",
                  "« %@ » : répétition impossible, son intervalle vaut au moins 1",
                  *draft.impossibleRecurrence);
  }
}

QuickAddWrite writeQuickSentence(AppContext& app, const QuickSentence& sentence,
                                 const std::string& calendarOption) {
  refuseImpossible(sentence.draft);
  CalendarEventStorePort& calendars = app.calendarStore();
  if (!calendars.requestFullAccess()) {
    throw std::runtime_error(Loc::string("cli.events.denied", "accès calendrier refusé"));
  }
  const CalendarInfo calendar =
      chosenCalendar(calendars, calendarOption, sentence.draft.calendarHint);
  QuestStore& store = app.questStore();
  std::optional<QuickAdd::Draft> draft;
  try {
    draft = store.quickAdd(sentence.draft, calendar);
  } catch (const CalendarInputError& e) {
    throw UsageError(e.what());
  }
  if (!draft) throw std::runtime_error(shown(store.statusLine()));
  return {calendar, std::move(*draft)};
}

}  // namespace talewick::ui
