// Quick-add reading speed: the sentences of quickadd_sentences.txt (one a line, two thirds French,
// one third English, with dates, times, guests, places, reminders, repetitions, links and emoji)
// read into drafts at a fixed `now`, Wednesday 18 March 2026 10:00 in Paris.
//
//   quickadd_bench [--benchmark_...] [FILE]
//   TALEWICK_BENCH_SENTENCES=FILE quickadd_bench [--benchmark_...]
//
// The file named on the command line wins over the variable, which wins over the file beside
// this source.
//
// quickadd/sentences: every sentence once per iteration; items are sentences. The field reads
// the whole line on every keystroke, so this should stay well above 200,000 sentences a second
// on one core (the process is single-threaded).
// quickadd/keystrokes: every prefix of every sentence that ends on a character boundary, as
// typing produces them; items are prefixes. Short prefixes often have no date yet, so this is
// the cost of the drafts that are mostly not there.
// The "drafts" counter is the share of inputs that gave a draft: a parser that suddenly gives
// up early would look fast, and this shows it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/local_calendar.hpp"
#include "text/quick_parse.hpp"

namespace {

using talewick::Date;

std::vector<std::string> gSentences;
std::vector<std::string> gPrefixes;
Date gNow;

std::vector<std::string> readSentences(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> sentences;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) sentences.push_back(std::move(line));
  }
  return sentences;
}

// Prefixes that stop before a UTF-8 continuation byte, so none cuts a character in two.
std::vector<std::string> typedPrefixes(const std::vector<std::string>& sentences) {
  std::vector<std::string> prefixes;
  for (const std::string& sentence : sentences) {
    for (size_t length = 1; length <= sentence.size(); ++length) {
      if (length < sentence.size() &&
          (static_cast<unsigned char>(sentence[length]) & 0xC0) == 0x80) {
        continue;
      }
      prefixes.push_back(sentence.substr(0, length));
    }
  }
  return prefixes;
}

void parseAll(benchmark::State& state, const std::vector<std::string>& inputs) {
  // Untimed warm-up: the word tables and the fold table are built on first use, and that
  // one-time cost is not what this measures.
  int64_t drafts = 0;
  for (const std::string& text : inputs) {
    drafts += talewick::QuickParse::parse(text, gNow).has_value() ? 1 : 0;
  }
  for (auto _ : state) {
    for (const std::string& text : inputs) {
      auto draft = talewick::QuickParse::parse(text, gNow);
      benchmark::DoNotOptimize(draft);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(inputs.size()));
  state.counters["drafts"] =
      inputs.empty() ? 0.0 : static_cast<double>(drafts) / static_cast<double>(inputs.size());
}

void sentences(benchmark::State& state) { parseAll(state, gSentences); }
void keystrokes(benchmark::State& state) { parseAll(state, gPrefixes); }

}  // namespace

int main(int argc, char** argv) {
  // `now` and every answer are Paris days and hours, whatever the machine's zone.
  ::setenv("TZ", "Europe/Paris", 1);
  ::tzset();
  talewick::LocalCalendar::setTimeZone("Europe/Paris");

  benchmark::Initialize(&argc, argv);
  if (argc > 2) {
    std::fprintf(stderr, "usage: %s [--benchmark_...] [SENTENCES_FILE]\n", argv[0]);
    return 2;
  }
  std::string path = QUICKADD_SENTENCES;
  if (const char* fromEnvironment = std::getenv("TALEWICK_BENCH_SENTENCES");
      fromEnvironment != nullptr && *fromEnvironment != '\0') {
    path = fromEnvironment;
  }
  if (argc == 2) path = argv[1];
  gSentences = readSentences(path);
  if (gSentences.empty()) {
    std::fprintf(stderr, "quickadd_bench: no sentence in %s\n", path.c_str());
    return 1;
  }
  gPrefixes = typedPrefixes(gSentences);
  const std::optional<Date> now =
      talewick::LocalCalendar::dateFrom(talewick::CivilTime{2026, 3, 18, 10, 0, 0});
  if (!now) return 1;
  gNow = *now;

  std::fprintf(stderr, "quickadd_bench: %zu sentences (%zu prefixes) from %s\n", gSentences.size(),
               gPrefixes.size(), path.c_str());
  benchmark::RegisterBenchmark("quickadd/sentences", sentences)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("quickadd/keystrokes", keystrokes)->Unit(benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
