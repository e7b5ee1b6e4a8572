#include "ui/error_text.hpp"

#include <filesystem>

#include "core/file_port.hpp"
#include "support/loc.hpp"

namespace talewick::ui {
namespace {

// CLI11 keeps the names and values it refused only inside its English messages; these pick
// them out again. Each returns "" when the message is not of the expected shape.
std::string after(const std::string& text, const std::string& marker) {
  const size_t at = text.find(marker);
  return at == std::string::npos ? "" : text.substr(at + marker.size());
}

std::string before(const std::string& text, const std::string& marker) {
  const size_t at = text.find(marker);
  return at == std::string::npos ? "" : text.substr(0, at);
}

// The option or argument a message is about: "--days: 1 required INT missing", "Expected
// exactly 1 arguments to --days, got 0".
std::string optionNamed(const std::string& message) {
  if (message.starts_with("Expected")) return before(after(message, " to "), ", got");
  return before(message, ":");
}

std::string inQuotes(const std::string& text) {
  return Loc::format(Loc::string("cli.error.quoted", "« %@ »"), {text});
}

std::string conversionText(const std::string& message) {
  std::string rest = after(message, "Could not convert: ");
  std::string name = before(rest, " = "), value = after(rest, " = ");
  if (name.empty()) {
    // "The value X is not an allowed value for NAME", "NAME: Should be true/false or a number"
    value = before(after(message, "The value "), " is not");
    name = value.empty() ? optionNamed(message) : after(message, " value for ");
  }
  if (name.empty()) return Loc::string("cli.error.badValue", "valeur invalide");
  if (value.empty()) {
    return Loc::format(Loc::string("cli.error.badValueFor", "valeur invalide pour %@"), {name});
  }
  return Loc::format(Loc::string("cli.error.badValueOf", "valeur invalide pour %@ : %@"),
                     {name, inQuotes(value)});
}

}  // namespace

std::string parseErrorText(const CLI::ParseError& error, bool commandGiven) {
  const std::string message = error.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&error)) {
    // The command line reaches the parser reversed (it takes words from the back): the words it
    // did not expect come back in the order typed.
    std::string extras;
    const std::string typed = after(message, "expected: ");
    std::string_view rest = typed;
    while (!rest.empty()) {
      const size_t space = rest.rfind(' ');
      const std::string_view word = space == std::string_view::npos ? rest : rest.substr(space + 1);
      extras += (extras.empty() ? "" : " ") + std::string(word);
      rest = space == std::string_view::npos ? std::string_view() : rest.substr(0, space);
    }
    if (!commandGiven && !extras.starts_with("-")) {
      return Loc::format(Loc::string("cli.error.unknownCommand", "commande inconnue : %@"),
                         {inQuotes(before(extras + " ", " "))});
    }
    return Loc::format(extras.find(' ') == std::string::npos
                           ? Loc::string("cli.error.extra", "argument inattendu : %@")
                           : Loc::string("cli.error.extras", "arguments inattendus : %@"),
                       {inQuotes(extras)});
  }
  if (dynamic_cast<const CLI::ConversionError*>(&error) ||
      dynamic_cast<const CLI::ValidationError*>(&error)) {
    return conversionText(message);
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error)) {
    const std::string name = before(message, " is required");
    if (!name.empty())
      return Loc::format(Loc::string("cli.error.missing", "argument manquant : %@"), {name});
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error)) {
    const std::string name = optionNamed(message);
    const bool missing =
        message.find("missing") != std::string::npos || message.find("got 0") != std::string::npos;
    if (!name.empty()) {
      return Loc::format(missing ? Loc::string("cli.error.noValue", "valeur manquante pour %@")
                                 : Loc::string("cli.error.mismatch", "trop de valeurs pour %@"),
                         {name});
    }
  }
  if (dynamic_cast<const CLI::ExcludesError*>(&error)) {
    return Loc::format(Loc::string("cli.error.excludes", "%@ et %@ ne vont pas ensemble"),
                       {before(message, " excludes "), after(message, " excludes ")});
  }
  return Loc::string("cli.error.usage", "ligne de commande invalide");
}

std::string fileErrorText(const std::system_error& error) {
  std::string path;
  if (const auto* fs = dynamic_cast<const std::filesystem::filesystem_error*>(&error)) {
    path = fs->path1().string();
  } else {
    // Our own file helpers put the path last in their context ("cannot create /x/y").
    const std::string message = error.what();
    const size_t slash = message.find('/');
    if (slash != std::string::npos) path = before(message.substr(slash), ": ");
    if (path.empty() && slash != std::string::npos) path = message.substr(slash);
  }
  const std::string reason = describeFileProblem(error.code());
  return path.empty() ? reason
                      : Loc::format(Loc::string("cli.error.fsLine", "%@ : %@"), {path, reason});
}

}  // namespace talewick::ui
