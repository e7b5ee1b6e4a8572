#include "ui/commands/replay_text.hpp"

#include <cmath>
#include <sstream>

#include "game/engine.hpp"
#include "game/xp.hpp"
#include "support/loc.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

const char* statEmoji(StatKey key) {
  switch (key) {
    case StatKey::love:
      return "❤️";
    case StatKey::energy:
      return "⚡";
    case StatKey::wisdom:
      return "🧠";
    case StatKey::strength:
      return "💪";
    case StatKey::chaos:
      return "🌀";
  }
  return "";
}

std::string signedNumber(int64_t n) { return (n > 0 ? "+" : "") + std::to_string(n); }

std::string itemLine(const LootItem& item) {
  return shown(item.emoji) + " " + shown(item.name) + " (" + std::string(rawValue(item.rarity)) +
         ") — " + shown(item.effect);
}

}  // namespace

std::string replayHeading(const std::string& dayKey, size_t questCount) {
  return Loc::format(Loc::string("cli.replay.heading", "Journée du %@ — %@ quête(s)"),
                     {dayKey, std::to_string(questCount)}) +
         "\n";
}

std::string deltaText(const StatDelta& delta) {
  std::string out;
  for (const auto& [key, value] : delta) {
    if (value == 0) continue;
    out += (out.empty() ? "" : " ") + signedNumber(value) + " " + statEmoji(key);
  }
  return out;
}

std::string questCard(const Quest& q, size_t index, size_t count, int64_t energy) {
  std::ostringstream out;
  out << "[" << index << "/" << count << "] " << shown(q.emoji) << " " << shown(q.name) << "  "
      << shown(q.threat.emoji) << " " << shown(q.threat.label) << " · " << q.baseXp << " XP\n";
  if (!q.intro.empty()) out << "  " << shown(q.intro) << "\n";
  out << "  "
      << Loc::format(Loc::string("cli.replay.energy", "Énergie avant la quête : %@"),
                     {std::to_string(energy)})
      << "\n";
  for (size_t i = 0; i < q.choices.size(); ++i) {
    const ChoiceOption& c = q.choices[i];
    out << "  " << i + 1 << ". " << shown(c.label);
    const std::string delta =
        deltaText(Engine::mergeDelta(Engine::questStatDelta(q.archetypeId), c.statDelta));
    if (!delta.empty()) out << "  (" << delta << ")";
    if (c.xpDelta != 0) out << "  " << signedNumber(c.xpDelta) << " XP";
    if (Engine::isHeroic(c) && energy < Engine::EXHAUSTION_THRESHOLD) {
      const auto percent = static_cast<int>(std::lround(Engine::heroicSuccessChance(energy) * 100));
      out << "  "
          << Loc::format(Loc::string("cli.replay.chance", "réussite : %@ %"),
                         {std::to_string(percent)});
    }
    out << "\n     → " << shown(c.consequence) << "\n";
  }
  return out.str();
}

std::string recapText(const DayRecap& recap, const Hero& hero, bool dryRun) {
  std::ostringstream out;
  out << Loc::format(Loc::string("cli.replay.recap", "Bilan du %@"), {recap.dateISO});
  if (dryRun)
    out << " " << Loc::string("cli.replay.dryRunNote", "(simulation : rien n'est appliqué)");
  out << "\n";
  if (recap.outcomes.empty()) {
    out << "  " << Loc::string("cli.replay.noOutcome", "Aucune quête jouée.") << "\n";
  }
  for (const QuestOutcome& o : recap.outcomes) {
    out << "  " << shown(o.emoji) << " " << shown(o.questName) << " — " << shown(o.chosenLabel)
        << " : " << signedNumber(o.xpGained) << " XP";
    if (const std::string d = deltaText(o.statDelta); !d.empty()) out << "  " << d;
    out << "\n";
    if (o.heroicFaltered && *o.heroicFaltered) {
      out << "     " << Loc::string("cli.replay.faltered", "L'exploit a vacillé : trop épuisé.")
          << "\n";
    }
    if (o.boss) {
      const bool won = o.boss->result == BossResult::victoire;
      out << "     "
          << Loc::format(won ? Loc::string("cli.replay.bossWon",
                                           "Boss du jour vaincu ! (puissance %@ contre %@)")
                             : Loc::string("cli.replay.bossLost",
                                           "Le boss du jour résiste… (puissance %@ contre %@)"),
                         {std::to_string(std::lround(o.boss->power)),
                          std::to_string(std::lround(o.boss->threshold))})
          << "\n";
    }
    if (o.loot)
      out << "     " << Loc::string("cli.replay.loot", "Butin :") << " " << itemLine(*o.loot)
          << "\n";
  }
  for (const LevelReward& r : recap.levelUps) {
    out << "  "
        << Loc::format(Loc::string("cli.replay.levelUp", "Niveau %@ atteint : +%@ or"),
                       {std::to_string(r.level), std::to_string(r.gold)});
    if (r.loot) out << ", " << itemLine(*r.loot);
    out << "\n";
  }
  out << "  "
      << Loc::format(Loc::string("cli.replay.totals", "Total : +%@ XP, +%@ or"),
                     {std::to_string(recap.totalXp), std::to_string(recap.gold)})
      << "\n";
  if (recap.streakLost) {
    out << "  "
        << Loc::format(Loc::string("cli.replay.streakLost", "Ta série de %@ jours s'est éteinte."),
                       {std::to_string(*recap.streakLost)})
        << "\n";
  }
  const LevelInfo level = Xp::levelFromTotalXp(hero.totalXp);
  out << "\n"
      << shown(hero.name) << " — "
      << Loc::format(Loc::string("cli.hero.level", "Niveau %@"), {std::to_string(level.level)})
      << " · " << goldAndStreak(hero.gold, hero.streak) << "\n"
      << " ";
  for (const StatKey key : allCases<StatKey>()) {
    out << " " << statEmoji(key) << " " << hero.stats[key];
  }
  out << "\n";
  return out.str();
}

}  // namespace talewick::ui
