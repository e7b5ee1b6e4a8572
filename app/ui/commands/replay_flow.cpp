#include "ui/commands/replay_flow.hpp"

#include <cstdlib>
#include <istream>
#include <ostream>
#include <stdexcept>

#include "support/loc.hpp"
#include "support/seeded_generator.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/replay_text.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

// Asks for each quest in turn. False when the user gave up (nothing is applied then).
bool ask(Io& io, const Hero& hero, const std::vector<Quest>& quests, Engine::Choices& choices) {
  for (size_t i = 0; i < quests.size(); ++i) {
    const Quest& q = quests[i];
    if (q.choices.empty()) continue;
    const int64_t energy = Engine::energyBefore(static_cast<int64_t>(i), hero, quests, choices);
    io.out << questCard(q, i + 1, quests.size(), energy);
    for (;;) {
      io.out << Loc::format(Loc::string("cli.replay.prompt",
                                        "Ton choix (1-%@, Entrée pour passer, q pour arrêter) : "),
                            {std::to_string(q.choices.size())})
             << std::flush;
      std::string line;
      if (!std::getline(io.in, line) || line == "q") return false;
      if (line.empty()) break;
      const long long n = std::strtoll(line.c_str(), nullptr, 10);
      if (std::to_string(n) == line && n >= 1 && n <= static_cast<long long>(q.choices.size())) {
        choices[q.id] = q.choices[static_cast<size_t>(n - 1)].id;
        break;
      }
    }
    io.out << "\n";
  }
  return true;
}

}  // namespace

std::optional<PersonaKind> parsePersona(const std::string& raw) {
  if (raw.empty()) return std::nullopt;
  if (std::optional<PersonaKind> persona = fromRaw<PersonaKind>(raw)) return persona;
  throw UsageError(
      Loc::format(Loc::string("cli.replay.badPersona",
                              "personnalité inconnue : « %@ » (brave, balanced, caring)"),
                  {shown(raw)}));
}

void requireAnswerer(bool asking, const std::optional<PersonaKind>& persona) {
  if (asking || persona) return;
  throw UsageError(Loc::string("cli.replay.needsTerminal",
                               "pas de terminal pour choisir : donne --auto PERSONNALITÉ "
                               "(brave, balanced, caring)"));
}

std::vector<Quest> questsOfDay(AppContext& app, Date day) {
  QuestStore& store = loadWeek(app, day);
  if (store.source() != QuestSource::agenda && store.source() != QuestSource::emptyDay) {
    throw std::runtime_error(
        Loc::string("cli.replay.noCalendar",
                    "agenda inaccessible : il n'y a pas de journée à rejouer") +
        " (" + shown(store.statusLine()) + ")");
  }
  std::vector<Quest> quests;
  if (store.source() == QuestSource::emptyDay) return quests;
  for (const QuestStore::AgendaItem& item : store.agenda(day, 1)) quests.push_back(item.quest);
  return quests;
}

bool chooseOptions(Io& io, bool asking, const std::optional<PersonaKind>& persona, const Hero& hero,
                   const std::string& dayKey, const std::vector<Quest>& quests,
                   Engine::Choices& choices) {
  if (asking && !ask(io, hero, quests, choices)) return false;
  if (!persona) return true;
  // The persona draws from a generator of its own, seeded by the day: the same day gets the same
  // answers on every run.
  SeededGenerator generator = SeededGenerator::forKey("persona:" + dayKey);
  const Rng rng = [&] { return static_cast<double>(generator.next() >> 11) * 0x1.0p-53; };
  for (const Quest& q : quests) {
    if (auto it = choices.find(q.id); it != choices.end() && !it->second.empty()) continue;
    if (auto chosen = Persona::chooseOption(q, hero, *persona, rng)) choices[q.id] = *chosen;
  }
  return true;
}

int alreadyReplayed(Io& io, const std::string& dayKey) {
  io.err << "talewick : "
         << Loc::format(Loc::string("cli.replay.already", "la journée du %@ est déjà rejouée"),
                        {dayKey})
         << "\n";
  return EXIT_FAILED;
}

}  // namespace talewick::ui
