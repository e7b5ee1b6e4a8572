// Unicode text helpers over UTF-8 strings, built on ICU.
#pragma once

#include <string>
#include <string_view>

namespace talewick::text {

// Case- and diacritic-insensitive form: canonical decomposition, non-spacing marks removed,
// lower-cased. "Réunion Équipe" → "reunion equipe". Other characters are kept.
std::string fold(std::string_view s);

// Lower-cased (full Unicode case mapping), accents kept.
std::string lower(std::string_view s);

// Number of user-perceived characters (extended grapheme clusters).
int perceivedLength(std::string_view s);

// True when `s` holds a code point terminalSafe would drop or change (tab and line breaks
// included), or a byte sequence that is not UTF-8: text a one-line field cannot show as it is.
bool hasControlCharacters(std::string_view s);

// Number of UTF-16 code units.
int utf16Length(std::string_view s);

// `s` without leading and trailing white space and line breaks (Unicode White_Space).
std::string_view trim(std::string_view s);

// `s` with its first character upper-cased (title case), the rest unchanged.
std::string capitalizeFirst(std::string_view s);

// `s` as it may reach a terminal: text from a calendar, a file or the network could otherwise
// drive the terminal (colours, cursor moves, window titles) or reverse what follows it. Drops C0
// controls, DEL, C1 controls, the line and paragraph separators and the bidirectional
// embeddings, overrides and isolates; an invalid
// UTF-8 sequence becomes U+FFFD. Tabs and line breaks are kept with `keepLines` (notes), else each
// becomes a space (a title in a one-line row); a CR LF pair counts as one break.
std::string terminalSafe(std::string_view s, bool keepLines = false);

// Whether terminalSafe drops the code point wherever it stands (tab, LF and CR aside, which it
// turns into spaces or keeps).
bool isTerminalControl(char32_t cp);

}  // namespace talewick::text
