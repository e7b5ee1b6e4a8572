// A change of the hero made from a command (an item worn, a purchase…), through the hero store on
// the hero as it stands; the command then shows the hero's gold and worn items.
#pragma once

#include <functional>

#include "game/hero.hpp"
#include "ui/command.hpp"

namespace talewick::ui {

// Throws std::runtime_error while a damaged hero document's copy is kept aside: a change now
// would build on a blank hero while the progress sits in that copy.
void requireSoundHero(AppContext& app);

// Runs `change` (which throws UsageError for bad input: nothing is written then) and prints one
// line of what the hero has after it.
int changeHero(Io& io, AppContext& app, const std::function<Hero(const Hero&)>& change);

}  // namespace talewick::ui
