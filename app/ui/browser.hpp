// Opening an address in the user's browser, for the OAuth round trips the commands start.
#pragma once

#include <string>

#include "ui/command.hpp"

namespace talewick::ui {

// Opens the http(s) address `url` with xdg-open and prints it too: the browser may open on
// another screen, or not at all (then `io.err` says so).
void openInBrowser(Io& io, const std::string& url);

}  // namespace talewick::ui
