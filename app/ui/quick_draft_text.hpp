// A quick-add draft as it is shown: its fields as labelled rows, and the groups of the sentence's
// recognised words, each with its colour role, as both the terminal (bytes) and a text field
// (UTF-16 units) mark them. Shared by `talewick parse` and the desktop's quick-add field, so that
// both show the same draft and colour the same words the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/quick_parse.hpp"

namespace talewick::ui {

// Neighbouring recognised words of one role, as the reader sees them ("avec Paul et Marie").
struct SpanGroup {
  size_t begin = 0, end = 0;           // bytes of the sentence
  int64_t unitBegin = 0, unitEnd = 0;  // UTF-16 units of the sentence
  SpanColorRole role = SpanColorRole::temporal;
};

// The spans of `text`'s draft grouped: spans of one role separated by blanks only make one group.
std::vector<SpanGroup> spanGroups(std::string_view text, const std::vector<ParsedSpan>& spans);

// The draft's fields as (label, value) rows: title, start, duration, what was ignored, place,
// guests, reminder, repetition, calendar, meeting link and notes, the absent ones left out.
std::vector<std::pair<std::string, std::string>> draftRows(const ParsedEvent& draft);

// "quand", "lieu"…: the role as the draft's legend names it.
std::string roleName(SpanColorRole role);

}  // namespace talewick::ui
