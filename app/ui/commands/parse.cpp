// `talewick parse TEXT… [--now DATETIME]`: what quick-add reads in a sentence, without writing
// anything — the draft field by field, then the sentence again with the words it recognised,
// coloured the way the quick-add field colours them.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string_view>
#include <utility>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/quick_draft_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct ParseOptions {
  std::vector<std::string> words;
  std::string now;
  bool json = false;
};

// "2026-03-18T10:00" on the local clock, or with its own offset; a day alone is its midnight.
Date parseNow(const std::string& text) {
  if (auto parsed = iso8601::parse(text)) {
    if (parsed->offsetSeconds) return iso8601::instant(parsed->civil, *parsed->offsetSeconds);
    if (auto local = LocalCalendar::dateFrom(parsed->civil)) return *local;
  }
  throw UsageError(
      Loc::format(Loc::string("cli.parse.badNow",
                              "moment invalide pour --now : « %@ » (attendu : AAAA-MM-JJTHH:MM)"),
                  {text}));
}

// One ANSI colour per role, picked so that neighbours in a typical sentence (a day and a time, a
// place and its guests) never share a hue; the link is underlined like links usually are.
std::string_view roleColour(SpanColorRole role) {
  static constexpr std::string_view kColours[] = {"1;36", "36", "32",   "35", "33",
                                                  "34",   "91", "4;94", "90"};
  static_assert(std::size(kColours) == EnumTraits<SpanColorRole>::names.size());
  return kColours[static_cast<size_t>(role)];
}

// Colours only for a person looking at a terminal: never in a pipe, a file or a test's stream,
// and never when NO_COLOR asks for none (any non-empty value, as that convention says).
bool wantsColour(const Io& io) {
  const char* noColour = std::getenv("NO_COLOR");
  if (noColour && *noColour) return false;
  return &io.out == &std::cout && ::isatty(STDOUT_FILENO) == 1;
}

std::string painted(std::string_view text, SpanColorRole role, bool colour) {
  if (!colour) return std::string(text);
  return "\x1b[" + std::string(roleColour(role)) + "m" + std::string(text) + "\x1b[0m";
}

// The first line of the sentence (the only one quick-add colours) with its recognised words
// painted.
std::string paintedSentence(std::string_view line, const std::vector<SpanGroup>& marks,
                            bool colour) {
  std::string out;
  size_t at = 0;
  for (const SpanGroup& g : marks) {
    if (g.begin < at || g.end > line.size()) continue;
    out += line.substr(at, g.begin - at);
    out += painted(line.substr(g.begin, g.end - g.begin), g.role, colour);
    at = g.end;
  }
  return out + std::string(line.substr(at));
}

std::string marksText(std::string_view line, const std::vector<SpanGroup>& marks, bool colour) {
  std::string out;
  for (const SpanGroup& g : marks) {
    if (g.end > line.size()) continue;
    out += (out.empty() ? "" : " · ") +
           Loc::format(
               Loc::string("cli.parse.mark", "« %@ » %@"),
               {painted(line.substr(g.begin, g.end - g.begin), g.role, colour), roleName(g.role)});
  }
  return out;
}

void printDraft(std::ostream& out, const std::string& sentence, const ParsedEvent& d, bool colour) {
  std::vector<std::pair<std::string, std::string>> rows = draftRows(d);
  const std::string_view line =
      std::string_view(sentence).substr(0, sentence.find_first_of("\n\r"));
  const std::vector<SpanGroup> marks = spanGroups(sentence, d.spans);
  rows.emplace_back(Loc::string("cli.parse.field.sentence", "Phrase"),
                    paintedSentence(line, marks, colour));
  rows.emplace_back(Loc::string("cli.parse.field.marks", "Repères"),
                    marksText(line, marks, colour));

  int width = 0;
  for (const auto& [label, value] : rows) width = std::max(width, text::perceivedLength(label));
  const std::string indent(static_cast<size_t>(width) + 3, ' ');
  for (const auto& [label, value] : rows) {
    out << padded(label, width) << " : ";
    // Notes may run over several lines: the next ones line up under the first.
    size_t start = 0;
    for (size_t end; (end = value.find('\n', start)) != std::string::npos; start = end + 1)
      out << value.substr(start, end - start) << "\n" << indent;
    out << value.substr(start) << "\n";
  }
}

int parseSentence(const ParseOptions& o, Io& io, AppContext& app) {
  const Date now = o.now.empty() ? app.now() : parseNow(o.now);
  const QuickSentence sentence = readQuickSentence(o.words, now);
  if (o.json) {
    printJsonValue(io.out, sentence.draft);
    return EXIT_DONE;
  }
  printDraft(io.out, sentence.text, sentence.draft, wantsColour(io));
  return EXIT_DONE;
}

}  // namespace

Command parseCommand() {
  return Command{
      "parse",
      Loc::string("cli.parse.help", "Ce que l'ajout rapide lit dans une phrase, sans rien écrire"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<ParseOptions>();
        cmd.add_option("text", o->words,
                       Loc::string("cli.quick.text",
                                   "La phrase, en un ou plusieurs mots (« Piscine samedi 10h »)"))
            ->required();
        cmd.add_option("--now", o->now,
                       Loc::string("cli.parse.now",
                                   "L'instant où la phrase est dite (AAAA-MM-JJTHH:MM ; "
                                   "maintenant par défaut)"));
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        return [o](Io& io, AppContext& app) { return parseSentence(*o, io, app); };
      }};
}

}  // namespace talewick::ui
