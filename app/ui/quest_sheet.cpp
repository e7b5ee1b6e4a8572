#include "ui/quest_sheet.hpp"

#include <sstream>

#include "core/calendar_access.hpp"
#include "support/loc.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

std::string statName(StatKey stat) {
  static constexpr const char* kFrench[] = {"amour", "énergie", "sagesse", "force", "chaos"};
  return Loc::string("cli.stat." + std::string(rawValue(stat)), kFrench[static_cast<int>(stat)]);
}

std::string signedNumber(int64_t n) { return (n >= 0 ? "+" : "") + std::to_string(n); }

QuestSheet::Choice choiceOf(const ChoiceOption& choice) {
  QuestSheet::Choice out{choice.label + " — " + choice.consequence,
                         signedNumber(choice.xpDelta) + " XP", ""};
  for (const auto& [stat, delta] : choice.statDelta)
    out.effects += " · " + statName(stat) + " " + signedNumber(delta);
  if (choice.realQuest) {
    out.realQuest =
        Loc::format(Loc::string("cli.quest.realQuest", "Dans la vraie vie : %@ (+%@ XP)"),
                    {choice.realQuest->title, std::to_string(choice.realQuest->reward)});
  }
  return out;
}

}  // namespace

QuestSheet questSheet(const Quest& quest, const std::optional<DayEvent>& event,
                      const std::optional<QuestBreakdown>& breakdown) {
  QuestSheet sheet;
  sheet.heading = quest.emoji + " " + quest.name;
  sheet.rawTitle = quest.rawTitle;
  sheet.when = dayHeading(quest.startDate) + " · ";
  if (event && event->allDay) {
    sheet.when += Loc::string("cli.events.allDay", "journée");
  } else {
    sheet.when += clockText(quest.startDate) + " → " +
                  clockText(quest.startDate.adding(60.0 * quest.durationMin)) + " (" +
                  std::to_string(quest.durationMin) + " min)";
  }
  if (event && event->location && !event->location->empty())
    sheet.place = Loc::format(Loc::string("cli.quest.place", "Lieu : %@"), {*event->location});
  sheet.numbers =
      Loc::format(Loc::string("cli.quest.numbers", "%@ XP · rareté %@ · menace %@ %@ (palier %@)"),
                  {std::to_string(quest.baseXp), rarityName(quest.rarity), quest.threat.emoji,
                   quest.threat.label, std::to_string(quest.threat.tier)});
  if (quest.biome)
    sheet.biome = Loc::format(Loc::string("cli.quest.biome", "Décor : %@"), {*quest.biome});
  sheet.intro = quest.intro;
  if (breakdown) {
    std::ostringstream out;
    printBreakdown(out, *breakdown);
    sheet.breakdown = out.str();
  }
  for (const ChoiceOption& choice : quest.choices) sheet.choices.push_back(choiceOf(choice));
  sheet.identifier = Loc::format(Loc::string("cli.quest.id", "Identifiant : %@"),
                                 {CalendarAccess::eventIdentifier(quest)});
  return sheet;
}

}  // namespace talewick::ui
