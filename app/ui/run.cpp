#include "ui/command.hpp"
#include "ui/context.hpp"
#include "support/loc.hpp"

namespace talewick::ui {

int run(const std::vector<std::string>& args, Io& io) {
  CLI::App app(Loc::string("cli.description",
                           "Talewick — ta semaine réelle, transformée en aventure."),
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
    io.err << "talewick : " << e.what() << "\n";
    io.err << Loc::string("cli.seeHelp", "Voir « talewick --help ».") << "\n";
    return EXIT_BAD_INPUT;
  }

  selected = whenAlone;
  for (auto& [sub, handler] : handlers) {
    if (sub->parsed()) selected = handler;
  }
  try {
    AppContext context;
    return selected(io, context);
  } catch (const UsageError& e) {
    io.err << "talewick : " << e.what() << "\n";
    return EXIT_BAD_INPUT;
  } catch (const std::exception& e) {
    io.err << "talewick : " << e.what() << "\n";
    return EXIT_FAILED;
  }
}

}  // namespace talewick::ui
