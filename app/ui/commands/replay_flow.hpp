// What `talewick replay` and `talewick vigil` share: the quests of a day, the user's choices
// asked at a terminal, a persona answering the rest, and the day's receipt.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "game/engine.hpp"
#include "support/date.hpp"
#include "ui/command.hpp"

namespace talewick::ui {

// --auto's value: nullopt for an empty one; throws UsageError for an unknown persona.
std::optional<PersonaKind> parsePersona(const std::string& raw);

// Throws UsageError when nobody can be asked and no persona answers.
void requireAnswerer(bool asking, const std::optional<PersonaKind>& persona);

// The day's quests in day order: all-day ones first, then by start. Throws std::runtime_error
// when the calendar cannot be read (the demonstration day is not a day to replay).
std::vector<Quest> questsOfDay(AppContext& app, Date day);

// Asks for each quest of `quests` in turn (when `asking`), then lets `persona` answer what is left.
// False when the user gave up.
bool chooseOptions(Io& io, bool asking, const std::optional<PersonaKind>& persona, const Hero& hero,
                   const std::string& dayKey, const std::vector<Quest>& quests,
                   Engine::Choices& choices);

// "talewick : la journée du DAY est déjà rejouée" on standard error; EXIT_FAILED.
int alreadyReplayed(Io& io, const std::string& dayKey);

}  // namespace talewick::ui
