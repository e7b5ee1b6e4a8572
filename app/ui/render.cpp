#include "ui/render.hpp"

#include <unicode/utf8.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/calendar_access.hpp"
#include "game/archetypes.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "ui/command.hpp"

namespace talewick::ui {

void printJson(std::ostream& out, const Json& value) {
  // The library escapes C0 controls but writes DEL, C1 controls and bidirectional overrides as
  // they are; those can only stand inside strings, where \u escapes keep the same value.
  const std::string dumped = value.dump(2, ' ', false, Json::error_handler_t::replace);
  const auto length = static_cast<int32_t>(dumped.size());
  int32_t copied = 0;
  for (int32_t i = 0; i < length;) {
    const int32_t start = i;
    UChar32 cp;
    U8_NEXT(dumped.data(), i, length, cp);
    if (cp < 0x7f || !text::isTerminalControl(static_cast<char32_t>(cp))) continue;
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(cp));
    out.write(dumped.data() + copied, start - copied);
    out << escape;
    copied = i;
  }
  out.write(dumped.data() + copied, length - copied);
  out << '\n';
}

std::string padded(const std::string& raw, int width) {
  const std::string s = shown(raw);
  const int length = text::perceivedLength(s);
  return length >= width ? s : s + std::string(static_cast<size_t>(width - length), ' ');
}

std::string shown(std::string_view outside, bool keepLines) {
  return text::terminalSafe(outside, keepLines);
}

namespace {

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

}  // namespace

void printBreakdown(std::ostream& out, const QuestBreakdown& b) {
  out << "       " << b.archetypeLabel << " " << b.archetypeBaseXp << " XP × "
      << number(b.durationMult) << " (" << b.durationMin << " min) = " << b.xp << " XP";
  out << " · " << Loc::string("cli.breakdown.threat", "menace") << " " << number(b.threatScore);
  if (b.intensityMult)
    out << " (" << Loc::string("cli.breakdown.intensity", "intensité") << " ×"
        << number(*b.intensityMult) << ")";
  if (b.attendeesBonus > 0)
    out << " (+" << b.attendeesBonus << " "
        << Loc::string("cli.breakdown.attendees", "participants") << ")";
  if (b.isNight)
    out << " (" << Loc::string("cli.breakdown.night", "nuit") << " ×" << number(b.nightMult) << ")";
  out << " → " << Loc::string("cli.breakdown.tier", "palier") << " " << b.threat.tier << "\n";
}

void printQuestTable(std::ostream& out, const std::vector<Quest>& quests,
                     const std::vector<QuestBreakdown>* breakdowns) {
  for (size_t i = 0; i < quests.size(); ++i) {
    const Quest& q = quests[i];
    out << clockText(q.startDate) << "  " << q.emoji << "  " << padded(q.name, 32) << "  "
        << padded(Archetypes::label(q.archetypeId), 24) << "  "
        << padded(std::to_string(q.baseXp) + " XP", 7) << "  " << shown(q.threat.emoji) << " "
        << shown(q.threat.label) << " (" << q.threat.tier << ")\n";
    if (breakdowns && i < breakdowns->size()) printBreakdown(out, (*breakdowns)[i]);
  }
}

std::string questLine(const Quest& quest, CalendarTitleMode titleMode, bool allDay) {
  const QuestDisplayTitle title{quest.name, quest.rawTitle};
  const std::string when =
      allDay ? Loc::string("cli.events.allDay", "journée") : clockText(quest.startDate);
  std::string line = padded(when, 7) + "  " + quest.emoji + "  " +
                     padded(title.primaryLine(titleMode), 32) + "  " +
                     padded(std::to_string(quest.baseXp) + " XP", 7) + "  " + quest.threat.emoji +
                     " " + quest.threat.label + " (" + std::to_string(quest.threat.tier) + ")  [" +
                     shown(CalendarAccess::eventIdentifier(quest)) + "]\n";
  // Under the name column: time (7), two spaces, emoji (2 columns), two spaces.
  if (auto subtitle = title.subtitleLine(titleMode))
    line += std::string(13, ' ') + shown(*subtitle) + "\n";
  return line;
}

std::string clockText(Date date) {
  const LocalCalendar::Fields f = LocalCalendar::fields(date);
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", f.hour, f.minute);
  return text;
}

std::string dayHeading(Date day) {
  static constexpr const char* kWeekdays[] = {"Dimanche", "Lundi",    "Mardi", "Mercredi",
                                              "Jeudi",    "Vendredi", "Samedi"};
  static constexpr const char* kMonths[] = {"janvier",   "février", "mars",     "avril",
                                            "mai",       "juin",    "juillet",  "août",
                                            "septembre", "octobre", "novembre", "décembre"};
  const LocalCalendar::Fields f = LocalCalendar::fields(day);
  const std::string weekday =
      Loc::string("cli.weekday." + std::to_string(f.weekday), kWeekdays[f.weekday - 1]);
  const std::string month =
      Loc::string("cli.month." + std::to_string(f.month), kMonths[f.month - 1]);
  const std::string number =
      f.day == 1 ? Loc::string("cli.firstOfMonth", "1er") : std::to_string(f.day);
  return weekday + " " + number + " " + month;
}

RPGMode parseMode(const std::string& raw) {
  if (auto mode = fromRaw<RPGMode>(raw)) return *mode;
  std::string valid;
  for (RPGMode m : allCases<RPGMode>()) {
    if (!valid.empty()) valid += ", ";
    valid += rawValue(m);
  }
  throw UsageError(
      Loc::format(Loc::string("cli.badMode", "mode inconnu « %@ » (modes : %@)"), {raw, valid}));
}

std::string goldAndStreak(int64_t gold, int64_t streakDays) {
  return Loc::format(Loc::string("cli.hero.goldAndStreak", "%@ or · %@"),
                     {std::to_string(gold), Loc::counted(streakDays, "cli.hero.streak",
                                                         "série de %@ jour", "série de %@ jours")});
}

std::string rarityName(Rarity rarity) {
  static constexpr const char* kFrench[] = {"commune", "rare", "épique", "légendaire"};
  return Loc::string("cli.rarity." + std::string(rawValue(rarity)),
                     kFrench[static_cast<int>(rarity)]);
}

std::string progressBar(double progress, int width) {
  const int filled = std::clamp(static_cast<int>(progress * width), 0, width);
  std::string bar = "[";
  for (int i = 0; i < width; ++i) bar += i < filled ? "█" : "░";
  return bar + "]";
}

bool askedYes(std::istream& in, std::ostream& out, const std::string& question) {
  out << question << " [o/N] " << std::flush;
  std::string answer;
  if (!std::getline(in, answer)) return false;
  answer = text::lower(std::string(text::trim(answer)));
  return answer == "o" || answer == "oui" || answer == "y" || answer == "yes";
}

}  // namespace talewick::ui
