// talewick-server: `init CONFIG` writes a new configuration; `serve --config CONFIG` runs the
// backend; `mail-in --config CONFIG` takes one answer mail on standard input (from the mail
// server's pipe). Exit status: 0 done, 1 failed (one line on standard error), 2 bad usage; 75 for
// a mail that could not be stored now, so that the mail server tries again later.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

#include "server/config.hpp"
#include "server/log.hpp"
#include "server/mail_in.hpp"
#include "server/serve.hpp"
#include "server/storage.hpp"
#include "server/time_text.hpp"
#include "support/text.hpp"

namespace {

using namespace talewick::server;

// Messages quote paths and keys from files: nothing of them may drive the terminal.
int fail(const std::string& message, int status) {
  std::cerr << "talewick-server: " << talewick::text::terminalSafe(message) << "\n";
  return status;
}

// EX_TEMPFAIL of sysexits.h: mail servers keep the message and deliver it again later.
constexpr int TRY_AGAIN_LATER = 75;

// The largest answer mail read; a calendar program's reply is a few kilobytes.
constexpr std::size_t MAX_MAIL_BYTES = 4 * 1024 * 1024;

int receiveMail(const std::string& configPath, std::vector<std::string> recipients) {
  Log log(std::cerr);
  // Postfix's local delivery names the address the mail was sent to in the environment.
  if (const char* original = std::getenv("ORIGINAL_RECIPIENT")) recipients.emplace_back(original);
  std::string message;
  char buffer[65536];
  while (std::cin.read(buffer, sizeof buffer) || std::cin.gcount() > 0) {
    message.append(buffer, static_cast<std::size_t>(std::cin.gcount()));
    if (message.size() > MAX_MAIL_BYTES) {
      log.write("warning", "answer mail ignored", {{"reason", "larger than 4 MiB"}});
      return 0;
    }
  }
  try {
    const Config config = loadConfig(configPath);
    const std::unique_ptr<Storage> storage = openStorage(config.database);
    const MailInOutcome outcome =
        receiveAnswerMail(message, recipients, config.smtp.mailDomain, *storage,
                          unixSeconds(std::chrono::system_clock::now()));
    if (outcome.recorded == 0) {
      log.write("info", "answer mail ignored", {{"reason", outcome.reason}});
    } else {
      log.write("info", "answer recorded", {{"answers", outcome.recorded}, {"source", "mail"}});
    }
    return 0;
  } catch (const std::exception& e) {
    fail(e.what(), TRY_AGAIN_LATER);
    return TRY_AGAIN_LATER;
  }
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

  std::string mailConfigPath;
  std::vector<std::string> recipients;
  CLI::App* mailIn = app.add_subcommand(
      "mail-in", "Record the invitation answers of one mail read on standard input");
  mailIn->add_option("--config", mailConfigPath, "The configuration file")->required();
  mailIn->add_option("--recipient", recipients,
                     "The envelope's recipient, as the mail server gives it (repeatable)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::ParseError& e) {
    return fail(std::string(e.what()) + " (see talewick-server --help)", 2);
  }

  if (mailIn->parsed()) return receiveMail(mailConfigPath, recipients);
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
