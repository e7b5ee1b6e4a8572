// One factory per command file, and the few helpers the quest commands share (commands.cpp).
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/kingdom_coordinator.hpp"
#include "core/quest_store.hpp"
#include "support/json.hpp"
#include "text/quest_display_title.hpp"
#include "text/quick_parse.hpp"
#include "ui/command.hpp"

namespace talewick::ui {

// The day: `talewick` alone (name "") and `talewick today` (name "today").
Command todayCommand(std::string name);
Command weekCommand();
Command agendaCommand();
Command searchCommand();
Command questCommand();
Command moveCommand();
Command answerCommand();
Command deleteCommand();
Command modeCommand();
Command titleModeCommand();
Command rulesCommand();
Command bossCommand();
Command buildingsCommand();
Command cosmeticsCommand();
Command vocationCommand();
Command expeditionCommand();
Command peopleCommand();
Command offersCommand();
Command forgeCommand();
Command levelCommand();
Command calendarsCommand();
Command setsCommand();
Command eventsCommand();
Command remindersCommand();
Command heroCommand();
Command syncCommand();
Command daemonCommand();
Command kingdomCommand();
Command pinCommand();
Command unpinCommand();
Command journeyCommand();
Command restCommand();
Command campaignCommand();
Command parseCommand();
Command addCommand();
Command invitesCommand();
Command guildCommand();
Command worldBossCommand();
Command roomCommand();
Command replayCommand();
Command vigilCommand();
Command inventoryCommand();
Command equipCommand();
Command unequipCommand();
Command recycleCommand();
Command shopCommand();
Command buyCommand();
Command deedsCommand();
Command vaultCommand();
Command dayCommand();
Command freeCommand();
Command backendCommand();
Command connectCommand();
Command disconnectCommand();
Command connectionsCommand();
Command handleURLCommand();
Command installDesktopCommand();
Command openingsCommand();
Command pipelineCommand();
Command linearCommand();

// --- Shared by the commands that show and change the quests ---

// A quick-add sentence: its words joined with single spaces, and the draft read from it at `now`.
struct QuickSentence {
  std::string text;
  ParsedEvent draft;
};
// Throws UsageError for an empty sentence and for one without any date or time cue (nothing to
// place in the calendar).
QuickSentence readQuickSentence(const std::vector<std::string>& words, Date now);

// The kingdom refreshed around now (its window loaded, the reminders read) and the payments that
// refresh made. Throws std::runtime_error with the status line when the calendar cannot be read.
struct KingdomRefresh {
  const KingdomCoordinator::View* view = nullptr;
  std::vector<KingdomCoordinator::Payment> payments;
};
KingdomRefresh refreshKingdom(AppContext& app);
// One line per payment of the refresh ("+40 XP, +12 or — Répondre à 2 invitations").
void printPayments(std::ostream& out, const KingdomRefresh& refresh);

// Which of a quest's two names the lists show (preference "calendar.titleMode"; epic by default).
CalendarTitleMode titleMode(AppContext& app);

// Loads the Monday-first week holding `day` into the quest store, under its label.
QuestStore& loadWeek(AppContext& app, Date day);

// A day written "yyyy-MM-dd": its local midnight. Throws UsageError.
Date parseDay(const std::string& text);

// A whole number written in decimal digits (a leading minus allowed), between `min` and `max`.
// Anything else — "0x10", "1e3", " 7", a number past the range — throws UsageError naming
// `what` and the range.
int64_t parseWholeNumber(const std::string& text, const std::string& what, int64_t min,
                         int64_t max);

// A loaded quest by the identifier the lists show ("yoga") or by its id ("quest_yoga"), from an
// occurrence on `calendar` when given. The occurrences of a series share it: the one on the day
// of `day` wins, else the first loaded. The quest is whole (its story told). Throws UsageError
// "quête introuvable : ID".
Quest findQuest(const QuestStore& store, const std::string& id, Date day,
                const std::string& calendar = {});

// The calendar of the event a quest identifier names: `option` (--calendar) when given, else the
// only calendar holding it ("" for a quest with no event behind it). Events of two calendars may
// share a UID, hence an identifier: without --calendar, that is a UsageError listing them.
std::string questCalendar(const QuestStore& store, const std::string& id,
                          const std::string& option);
// The help line of that --calendar option.
std::string calendarOptionHelp();

// The occurrence `quest` was forged from (on `calendar` when given), at the quest's own start;
// for a quest of the demonstration day, its sample occurrence. nullopt when there is none.
std::optional<DayEvent> eventBehind(const QuestStore& store, const Quest& quest, Date now,
                                    const std::string& calendar = {});

// {"statusLine", "source", "label"} of the last load.
Json storeJson(const QuestStore& store);

// The items of the `days` days from the day of `from`, day by day under a heading; days without
// quests are listed only when `showEmptyDays`.
void printAgenda(std::ostream& out, const std::vector<QuestStore::AgendaItem>& items, Date from,
                 int days, bool showEmptyDays, CalendarTitleMode mode);
// [{"day": "yyyy-MM-dd", "items": [{"id", "date", "allDay", "location", "quest"}…]}…], with the
// same choice of days.
Json agendaJson(const std::vector<QuestStore::AgendaItem>& items, Date from, int days,
                bool showEmptyDays);

}  // namespace talewick::ui
