// The one line a refused command line or a failed file operation prints, in the user's language.
// The argument parser and the C++ library speak English and spread over lines; the user gets
// what was wrong, named, on one line.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <system_error>

namespace talewick::ui {

// What the argument parser refused: the unexpected argument, the value it could not read and
// for which option, the missing argument… `commandGiven` tells an unknown command from an extra
// argument of a known one.
std::string parseErrorText(const CLI::ParseError& error, bool commandGiven);

// A file-system failure: the path it names (when it names one) and the reason.
std::string fileErrorText(const std::system_error& error);

}  // namespace talewick::ui
