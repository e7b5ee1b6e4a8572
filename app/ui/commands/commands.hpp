// One factory per command file.
#pragma once

#include "ui/command.hpp"

namespace talewick::ui {

Command todayCommand();  // `talewick` alone: the day
Command forgeCommand();
Command levelCommand();

}  // namespace talewick::ui
