// talewick-server: `init CONFIG` writes a new configuration; `serve --config CONFIG` runs the
// backend. Exit status: 0 done, 1 failed (one line on standard error), 2 bad usage.
#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <string>

#include "server/config.hpp"
#include "server/log.hpp"
#include "server/serve.hpp"
#include "support/text.hpp"

namespace {

using namespace talewick::server;

// Messages quote paths and keys from files: nothing of them may drive the terminal.
int fail(const std::string& message, int status) {
  std::cerr << "talewick-server: " << talewick::text::terminalSafe(message) << "\n";
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("The backend of Talewick's connected features, self-hosted.", "talewick-server");
  app.require_subcommand(1);

  std::string initPath;
  CLI::App* init = app.add_subcommand("init", "Write a new configuration with fresh secrets");
  init->add_option("CONFIG", initPath, "Where to write it (an existing file is never replaced)")
      ->required();

  std::string configPath, listen;
  CLI::App* serveCommand = app.add_subcommand("serve", "Serve the API until SIGTERM or SIGINT");
  serveCommand->add_option("--config", configPath, "The configuration file")->required();
  serveCommand->add_option("--listen", listen, "ADDR:PORT to listen on instead of the file's");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::ParseError& e) {
    return fail(std::string(e.what()) + " (see talewick-server --help)", 2);
  }

  try {
    if (init->parsed()) {
      writeNewConfig(initPath, freshConfig(initPath));
      std::cout << "Wrote " << talewick::text::terminalSafe(initPath)
                << ": its signupSecret is the one desktop programs register with.\n";
      return 0;
    }
    Config config = loadConfig(configPath);
    if (!listen.empty()) {
      const std::optional<ListenAddress> address = ListenAddress::parse(listen);
      if (!address) return fail("--listen wants HOST:PORT, such as 127.0.0.1:8787", 2);
      config.listen = *address;
    }
    Log log(std::cerr);
    serve(config, log);
    return 0;
  } catch (const std::exception& e) {
    return fail(e.what(), 1);
  }
}
