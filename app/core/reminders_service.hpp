// Open reminders as side quests, and their completion. Call from one thread at a time (the main
// one); each call waits for the port.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/hero_store.hpp"
#include "core/reminders_port.hpp"
#include "game/side_quest.hpp"
#include "support/date.hpp"

namespace talewick {

class RemindersService {
 public:
  explicit RemindersService(RemindersStorePort& port) : port_(port) {}

  // Every incomplete reminder as a side quest, sorted (SideQuests::sort). Without full access the
  // list is empty: access is asked for only when `requestIfNeeded`, and reminders are read only
  // once it is granted. Never an error.
  std::vector<SideQuest> openSideQuests(bool requestIfNeeded);

  // Marks the reminder `id` completed at `now`; false for an unknown id or a failed save (the
  // side quest then stays open).
  bool complete(const std::string& id, Date now);

  // Completing an open side quest from here, and paying the hero for it.
  struct Completion {
    enum class Outcome {
      completed,    // ticked in its file (credited or not: see `credited`)
      unknown,      // no reminder of that id
      alreadyDone,  // the reminder is there, but no longer open
      notSaved,     // it is open, and the file could not be changed
    };
    Outcome outcome = Outcome::unknown;
    std::optional<SideQuest> quest;              // the side quest completed
    std::optional<SideQuests::Reward> credited;  // what the hero gained; none when nothing
  };
  // Ticks the open reminder `id`, then credits the hero its reward under
  // sideQuestReceiptID(day of `now`, id): once, even if the reminder is reopened and ticked again
  // the same day, here or on another machine.
  Completion completeAndCredit(const std::string& id, Date now, HeroStore& hero);

  static std::string sideQuestReceiptID(const std::string& dayKey, const std::string& id);

  // Asks for access to the reminders; whether it is granted.
  bool requestAccess();

  // One reminder as the game sees it: the title trimmed, "Quête sans nom" when nothing is left;
  // the priority number mapped by SideQuests::priorityFromReminder.
  static SideQuest sideQuest(const ReminderItem& item);

 private:
  RemindersStorePort& port_;
};

}  // namespace talewick
