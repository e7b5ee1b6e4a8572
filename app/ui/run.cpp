#include <system_error>

#include "core/file_port.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"
#include "ui/command.hpp"
#include "ui/context.hpp"
#include "ui/error_text.hpp"

namespace talewick::ui {
namespace {

// Every message reaches the terminal as one line: it may quote a value typed by the user or a
// file name, neither of which may drive the terminal or break the line.
int fail(Io& io, const std::string& message, int status) {
  io.err << "talewick : " << text::terminalSafe(message) << "\n";
  return status;
}

}  // namespace

int run(const std::vector<std::string>& args, Io& io) {
  CLI::App app(
      Loc::string("cli.description", "Talewick — ta semaine réelle, transformée en aventure."),
      "talewick");
  app.set_help_flag("-h,--help", Loc::string("cli.help", "Affiche cette aide"));
  app.require_subcommand(0, 1);

  Handler selected;
  Handler whenAlone;
  std::vector<std::pair<CLI::App*, Handler>> handlers;
  for (Command& command : allCommands()) {
    if (command.name.empty()) {
      whenAlone = command.setup(app);
      continue;
    }
    CLI::App* sub = app.add_subcommand(command.name, command.help);
    sub->set_help_flag("-h,--help", Loc::string("cli.help", "Affiche cette aide"));
    handlers.emplace_back(sub, command.setup(*sub));
  }

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    io.out << app.help();  // the selected subcommand's help, when one was given
    return EXIT_DONE;
  } catch (const CLI::CallForAllHelp&) {
    io.out << app.help("", CLI::AppFormatMode::All);
    return EXIT_DONE;
  } catch (const CLI::ParseError& e) {
    const std::vector<CLI::App*> given = app.get_subcommands();
    const std::string command = "talewick" + (given.empty() ? "" : " " + given.front()->get_name());
    return fail(
        io,
        parseErrorText(e, !given.empty()) +
            Loc::format(Loc::string("cli.error.seeHelp", " (voir « %@ --help »)"), {command}),
        EXIT_BAD_INPUT);
  }

  selected = whenAlone;
  for (auto& [sub, handler] : handlers) {
    if (sub->parsed()) selected = handler;
  }
  AppContext context(io.err);
  try {
    return selected(io, context);
  } catch (const UsageError& e) {
    return fail(io, e.what(), EXIT_BAD_INPUT);
  } catch (const FileError& e) {
    // Already one line in the user's language, naming the file.
    return context.warned(e.what()) ? EXIT_FAILED : fail(io, e.what(), EXIT_FAILED);
  } catch (const std::system_error& e) {
    const std::string line = fileErrorText(e);
    return context.warned(line) ? EXIT_FAILED : fail(io, line, EXIT_FAILED);
  } catch (const std::exception& e) {
    return context.warned(e.what()) ? EXIT_FAILED : fail(io, e.what(), EXIT_FAILED);
  }
}

}  // namespace talewick::ui
