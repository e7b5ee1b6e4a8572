// One factory per command file.
#pragma once

#include "ui/command.hpp"

namespace talewick::ui {

Command todayCommand();  // `talewick` alone: the day
Command forgeCommand();
Command levelCommand();
Command calendarsCommand();
Command setsCommand();
Command eventsCommand();
Command remindersCommand();
Command heroCommand();
Command syncCommand();

}  // namespace talewick::ui
