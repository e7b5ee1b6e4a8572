// The game's Hero as the shared hero document holds it, and back. The document keeps the summary
// every machine and the phone read (experience, gold, streak, worn items…) and, beside it, what
// replays on this machine need (statistics, inventory, archive, deed counters).
#pragma once

#include "game/hero.hpp"
#include "game/hero_sync_payload.hpp"

namespace talewick::HeroDocument {

// The hero the document describes. A document without statistics is a hero never replayed on a
// desktop: fresh statistics, and the worn items as its whole inventory.
Hero heroOf(const HeroSyncPayload& doc);

// Writes `hero`'s game state into `doc`, raising the counter of each group that changed (gold,
// play). Identity and cosmetics are left alone: they have their own setters. True when `doc`
// changed.
bool store(HeroSyncPayload& doc, const Hero& hero);

}  // namespace talewick::HeroDocument
