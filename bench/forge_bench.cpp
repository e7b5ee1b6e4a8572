// Forge throughput on a realistic month of calendar occurrences.
//
//   forge_bench [--benchmark_...]          runs the benchmarks
//   forge_bench --write-events FILE [N]    writes the same N occurrences (default 10000) as a
//                                          JSON array with ISO-8601 dates, for `talewick forge`
//
// The occurrences depend only on the seed and the process time zone (times are picked as local
// clock times, as a calendar shows them): run with the same TZ to compare numbers.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "game/quest_engine.hpp"
#include "support/json.hpp"
#include "support/local_calendar.hpp"

namespace {

using talewick::DayEvent;

// Raw draws only: std::uniform_*_distribution differ between standard libraries, while
// mt19937_64's output is fixed by the standard, so the same seed gives the same file everywhere.
struct Draw {
  std::mt19937_64 rng;
  size_t below(size_t n) { return static_cast<size_t>(rng() % n); }  // bias negligible here
  double unit() { return static_cast<double>(rng() >> 11) * 0x1.0p-53; }
  bool chance(double p) { return unit() < p; }
  template <class T, size_t N>
  const T& among(const std::array<T, N>& items) {
    return items[below(N)];
  }
};

// Titles as people type them: both languages, accents, emoji, punctuation, initials.
constexpr std::array<std::string_view, 36> kTitles{"Réunion d'équipe (Zoom)!",
                                                   "Dentiste — Dr Martin",
                                                   "1:1 with Sarah",
                                                   "Courses Carrefour",
                                                   "Anniversaire de Léa 🎂",
                                                   "Deadline sprint Q3",
                                                   "Sortie d'école",
                                                   "Piscine avec les enfants",
                                                   "Rdv pédiatre pour Zoé",
                                                   "Réveil + biberon",
                                                   "Daily standup",
                                                   "Code review — PR #482",
                                                   "Dîner chez Mamie",
                                                   "Kiné (genou)",
                                                   "Yoga 🧘",
                                                   "Footing au parc",
                                                   "Appel banque ???",
                                                   "Préparer la présentation client",
                                                   "Weekly sync w/ design",
                                                   "Lunch with Tom",
                                                   "Cours de piano de Hugo",
                                                   "Vaccin Noémie 💉",
                                                   "Ménage & lessive",
                                                   "Bain + histoire du soir",
                                                   "Conseil de classe",
                                                   "Pot de départ de François 🥂",
                                                   "Salle de sport",
                                                   "Garage — pneus hiver",
                                                   "Team offsite planning",
                                                   "Fête de l'école",
                                                   "Réunion parents-profs",
                                                   "Flight to Lisbon ✈️",
                                                   "Call avec le notaire",
                                                   "Coiffeur",
                                                   "Sieste (non négociable)",
                                                   "Match de foot de Maël ⚽"};

// Extra words that make titles long, as in copied invitations.
constexpr std::array<std::string_view, 8> kTails{
    " (Zoom)",
    " !",
    " — rappel",
    " [URGENT]",
    " 🙂",
    " : ordre du jour en pièce jointe",
    " – merci de confirmer votre présence avant vendredi",
    " / Teams"};

// Locations: some name a place word the forge recognises, some do not, some are links.
constexpr std::array<std::string_view, 18> kLocations{"Bureau",
                                                      "Bureau — 3e étage, salle Ada",
                                                      "Salle de sport du quartier",
                                                      "Supermarché Carrefour",
                                                      "Cabinet dentaire, 12 rue des Lilas",
                                                      "École Jules-Ferry",
                                                      "Parc de la Tête d'Or",
                                                      "Gare de Lyon",
                                                      "Chez Mamie",
                                                      "Zoom",
                                                      "https://meet.example.com/abc-defg-hij",
                                                      "Café des Arts",
                                                      "Home",
                                                      "Office – Building B",
                                                      "Mairie du 11e",
                                                      "Piscine municipale",
                                                      "Salle Ada Lovelace (2F)",
                                                      ""};

struct Person {
  std::string_view label, email;
};
constexpr std::array<Person, 10> kPeople{{{"Léa Martin", "lea.martin@example.com"},
                                          {"Chloé Dubois", "chloe.dubois@example.com"},
                                          {"Sarah Cohen", "sarah.cohen@example.com"},
                                          {"Hugo Bernard", "hugo.bernard@example.com"},
                                          {"Inès Haddad", "ines.haddad@example.com"},
                                          {"François Petit", "francois.petit@example.com"},
                                          {"Jérôme Lefèvre", "jerome.lefevre@example.com"},
                                          {"Amélie Roux", "amelie.roux@example.com"},
                                          {"Tom Baker", "tom.baker@example.com"},
                                          {"Noémie Garnier", "noemie.garnier@example.com"}}};

// Start hours weighted like a family calendar: mostly daytime, yet every hour shows up so that
// the dawn and night bands are exercised.
constexpr std::array<int, 24> kHourWeights{1, 1, 1, 1, 1, 2, 4, 6, 8, 10, 10, 9,
                                           8, 8, 9, 9, 9, 8, 7, 6, 4, 3,  2,  1};

int pickHour(Draw& d) {
  int total = 0;
  for (int w : kHourWeights) total += w;
  int r = static_cast<int>(d.below(static_cast<size_t>(total)));
  for (int h = 0; h < 24; ++h) {
    if ((r -= kHourWeights[static_cast<size_t>(h)]) < 0) return h;
  }
  return 12;
}

std::string makeTitle(Draw& d) {
  if (d.chance(0.03)) return {};  // untitled occurrences do happen
  std::string title(d.among(kTitles));
  if (d.chance(0.05)) {  // long: several items pasted together, plus a tail
    for (int k = 0; k < 2; ++k) {
      title += " + ";
      title += d.among(kTitles);
    }
    title += d.among(kTails);
  } else if (d.chance(0.20)) {
    title += d.among(kTails);
  }
  return title;
}

std::vector<DayEvent> makeRealisticEvents(size_t count, uint64_t seed) {
  namespace LocalCalendar = talewick::LocalCalendar;
  Draw d{std::mt19937_64(seed)};
  // Thirty days from Monday 16 March 2026: the span crosses the spring clock change in Europe.
  const talewick::Date firstDay =
      LocalCalendar::startOfDay(*LocalCalendar::dateFrom({2026, 3, 16, 12, 0, 0}));

  std::vector<DayEvent> events;
  events.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    DayEvent e;
    e.id = "evt-" + std::to_string(i);
    e.title = makeTitle(d);
    const talewick::Date day = LocalCalendar::addingDays(firstDay, static_cast<int>(d.below(30)));
    if (d.chance(0.03)) {  // all-day: local midnight to the next, sometimes over a few days
      e.allDay = true;
      e.startDate = day;
      e.endDate = LocalCalendar::addingDays(day, 1 + static_cast<int>(d.below(3)));
    } else {
      const auto f = LocalCalendar::fields(day);
      const int minute = 15 * static_cast<int>(d.below(4));
      e.startDate =
          LocalCalendar::dateFrom({f.year, f.month, f.day, pickHour(d), minute, 0}).value_or(day);
      e.endDate = e.startDate.adding(900.0 * static_cast<double>(d.below(25)));  // 0–6 h
    }
    if (!d.chance(0.30)) e.location = std::string(d.among(kLocations));
    // Mostly alone or with a few people; sometimes a big meeting.
    e.attendees = static_cast<int64_t>(d.chance(0.15) ? 4 + d.below(9) : d.below(4));
    for (int64_t a = 0; a < e.attendees; ++a) {
      const Person& p = kPeople[(i + static_cast<size_t>(a)) % kPeople.size()];
      e.attendeeLabels.emplace_back(p.label);
      e.attendeeEmails.emplace_back(p.email);
    }
    e.needsResponse = e.attendees > 0 && d.chance(0.10);
    if (d.chance(0.03)) {
      e.intensity = -0.3 * d.unit();  // a faulty wearable reports below zero
    } else if (d.chance(0.55)) {
      e.intensity = 1.2 * d.unit();
    }
    if (d.chance(0.10)) e.notes = "Penser à prendre le goûter et les chaussons 🧦";
    events.push_back(std::move(e));
  }
  return events;
}

// One seed for the benchmark and the written file, so the CLI timing forges the same month.
constexpr uint64_t kSeed = 20260316;

const std::vector<DayEvent>& benchEvents() {
  static const std::vector<DayEvent> events = makeRealisticEvents(10'000, kSeed);
  return events;
}

// Arg: the RPGMode. heroicPapa has no lore pack; darkEpic reads its pack for names and texts.
void BM_ForgeQuest(benchmark::State& state) {
  const auto mode = static_cast<talewick::RPGMode>(state.range(0));
  const std::vector<DayEvent>& events = benchEvents();
  // Untimed warm-up: the classifier, lore, bestiary and translation tables are built on first
  // use, and that one-time cost is not what this measures.
  for (const DayEvent& e : events) {
    const talewick::Quest q = talewick::QuestEngine::eventToQuest(e, mode);
    benchmark::DoNotOptimize(q);
  }
  for (auto _ : state) {
    for (const DayEvent& e : events) {
      const talewick::Quest q = talewick::QuestEngine::eventToQuest(e, mode);
      benchmark::DoNotOptimize(q);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(events.size()));
  state.SetLabel(std::string(talewick::rawValue(mode)));
}
BENCHMARK(BM_ForgeQuest)
    ->ArgName("mode")
    ->Arg(static_cast<int>(talewick::RPGMode::heroicPapa))
    ->Arg(static_cast<int>(talewick::RPGMode::darkEpic))
    ->Unit(benchmark::kMillisecond);

int writeEvents(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::cerr << "usage: " << argv[0] << " --write-events FILE [COUNT]\n";
    return 2;
  }
  size_t count = 10'000;
  if (argc == 4) {
    try {
      count = std::stoul(argv[3]);
    } catch (const std::exception&) {
      std::cerr << "COUNT must be a number: " << argv[3] << "\n";
      return 2;
    }
  }
  // ISO-8601 text with offsets, the form `talewick forge` reads from people's exports.
  const talewick::DateStyleScope iso(talewick::DateStyle::iso8601);
  const talewick::Json json = talewick::json_coding::encode(makeRealisticEvents(count, kSeed));
  std::ofstream out(argv[2], std::ios::binary);
  out << json.dump(2) << '\n';
  if (!out.flush()) {
    std::cerr << "cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Checked first: benchmark::Initialize would reject the unknown flag.
  if (argc >= 2 && std::string_view(argv[1]) == "--write-events") return writeEvents(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
