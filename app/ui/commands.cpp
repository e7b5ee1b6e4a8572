#include "ui/command.hpp"
#include "ui/commands/commands.hpp"

namespace talewick::ui {

std::vector<Command> allCommands() {
  return {todayCommand(),  forgeCommand(), levelCommand(),    calendarsCommand(),
          setsCommand(),   eventsCommand(), remindersCommand(), heroCommand(),
          syncCommand()};
}

}  // namespace talewick::ui
