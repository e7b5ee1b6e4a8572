// The shape of a `talewick` command. Each command lives in its own file under commands/ and is
// listed once in commands.cpp.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace talewick::ui {

// Exit statuses of every command.
enum ExitStatus : int { EXIT_DONE = 0, EXIT_FAILED = 1, EXIT_BAD_INPUT = 2 };

// Where a command reads and writes; tests pass string streams.
struct Io {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  // A person reads `out` and answers on `in`: a command may ask questions.
  bool terminal = false;
};

// Thrown by a handler for bad usage or bad input: the message is printed as one line on stderr
// and the command exits with EXIT_BAD_INPUT.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class AppContext;

using Handler = std::function<int(Io&, AppContext&)>;

struct Command {
  std::string name;  // empty for what `talewick` alone does
  std::string help;  // one line
  // Declares the command's arguments on `cmd` and returns the handler that runs it with them.
  std::function<Handler(CLI::App& cmd)> setup;
};

// Every command, in the order `--help` lists them.
std::vector<Command> allCommands();

// Runs the command line; returns the exit status.
int run(const std::vector<std::string>& args, Io& io);

}  // namespace talewick::ui
