// What an "image://art/…" address asks for. The grammar, for the id that follows "image://art/"
// (names are case-sensitive; numbers are decimal digits only; sizes in pixels before scaling):
//
//   realm/<realm>/<n>          16 × 16  the ground of a realm; <realm> is one of family, personal,
//                                       factions, reminders, tickets, deadlines; <n> any number
//                                       up to 6 digits, the variant being n mod 4 (so a map may
//                                       pass a cell's own number)
//   hero/walk/<frame>[?opts]   16 × 16  the hero's walk, <frame> 0 … 3; opts joined by '&':
//                                       "left" or "right" (the default), "tint=<cosmetic id>"
//                                       (an unknown id gives the hero's own colours)
//   inhabitant/<seed>/<frame>  16 × 16  a villager whose look is picked from <seed> (any text of
//                                       1 … 256 bytes without '?', e.g. a person's id; '/' allowed,
//                                       the last segment is the frame), <frame> 0 … 1
//   building/<id>/<level>      32 × 32  a realm's building (<id> as <realm> above), <level> 1 … 5
//   banner/boss                16 × 32  the weekly boss's banner
//   banner/campaign            16 × 32  the campaign's banner
//   chest/closed, chest/open   16 × 16
//   threat/<tier>              16 × 16  a quest card's threat badge, <tier> 1 … 5
//   emblem                     16 × 16  the application's emblem
//
// Anything else — an unknown kind or name, a number out of range, an unknown option, an id over
// 1024 characters — is the 16 × 16 placeholder (magenta and black checks).
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <optional>

namespace talewick::art {

struct SpriteRequest {
  // The same for every address that draws the same pixels ("realm/family/5" and
  // "realm/family/1" share "realm/family/1"; two seeds of one look share it), so that a cache
  // keyed by it stays small whatever ids it is given.
  QString key;
  std::function<QImage()> draw;
};

// The request `id` makes; nullopt when it is not in the grammar.
std::optional<SpriteRequest> parseSpriteId(const QString& id);

}  // namespace talewick::art
