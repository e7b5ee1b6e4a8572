// Event notes as the quest views show them: invitations paste HTML, dial-in instructions and
// legal small print into the notes; what is left is what a person wrote.
#pragma once

#include <optional>
#include <string>

namespace talewick::NotesSanitizer {

// Plain text of `notes`:
//   - line breaks "\r\n" and "\r" become "\n";
//   - <br> and the closing tags of paragraphs, blocks, list items and table rows become line
//     breaks, every other tag disappears, spaces before a line break go;
//   - boilerplate lines go: invitation phrases in French or English ("Join Zoom Meeting",
//     "ID de réunion : …", "Invitation from Google Calendar"…), separator lines made only of
//     - : ~ _ =, lines made only of dots or ellipses, and rosters (three or more lines in the
//     notes that start with a "yyyy-m-d" date);
//   - runs of blank lines shrink to one, and the whole is trimmed.
// Nothing or empty notes give "".
std::string sanitizedForDisplay(const std::optional<std::string>& notes);

}  // namespace talewick::NotesSanitizer
