// Localised texts. French is the default language; English when the user's language
// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, the first one set) starts with "en". English texts live
// in questkit/content/en/*.json, one key → text object per file.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace talewick::Loc {

enum class Language { fr, en };

// Read from the environment on first use.
Language language();

// Overrides the language for the rest of the process (tests, the --lang option). Tables that are
// localised once at first use (archetypes, lore, bestiary) keep the language they were built in.
void setLanguage(Language language);

// The text of `key` in the current language, else `frenchDefault`.
std::string string(std::string_view key, std::string_view frenchDefault);

// Replaces each "%@" of `text`, left to right, with the next argument; extra placeholders stay.
std::string format(std::string_view text, std::initializer_list<std::string_view> args);

// `n` with its noun agreed: the text of `key` + ".one" or `key` + ".many" (French defaults `one`
// and `many`), "%@" replaced by `n`. French takes the singular for 0 and 1, English for 1 only.
std::string counted(int64_t n, std::string_view key, std::string_view one, std::string_view many);

}  // namespace talewick::Loc
