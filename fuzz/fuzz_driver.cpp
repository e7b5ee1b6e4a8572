// Runs a fuzz target without libFuzzer, for compilers that cannot link it (g++ on the CI
// machine): first every seed of the corpus folders, then inputs mutated from them until the time
// is up. It has no coverage feedback, so it finds less than libFuzzer does in the same time, but
// it runs the same checks, under the same sanitizers, on every build.
//
//   quick_parse_fuzz [-max_total_time=N] [-seed=N] [-max_len=N] [-artifact_prefix=P] DIR|FILE...
//
// -max_total_time: seconds of mutation after the seeds (default 5).
// -seed: the mutation stream (default 1: the same inputs in the same order every time).
// -max_len: the longest input made (default 4096).
// -artifact_prefix: where a crashing input is saved (default "./", file "crash-<hash>").
// With files only on the command line (no folder), each is run once and nothing is mutated nor
// saved: that is how a saved crash is replayed, as with libFuzzer. Other "-flag=value" arguments
// are libFuzzer's and are ignored with a warning.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Present only in sanitized builds: the sanitizer reports memory errors itself (with the stack)
// and then calls us back, so we save the input before it ends the process.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));
extern "C" void __sanitizer_print_stack_trace() __attribute__((weak));

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// The input being run, for the crash handlers. Written before each run, read only on the way out.
const uint8_t* volatile gCurrentData = nullptr;
volatile size_t gCurrentSize = 0;
char gArtifactPrefix[1024] = "./";
volatile sig_atomic_t gSaveInputs = 1;

// Async-signal-safe: fixed buffers, arithmetic, open/write/close only.
void writeStderr(const char* s) {
  const ssize_t ignored = ::write(STDERR_FILENO, s, std::strlen(s));
  (void)ignored;
}

void saveCurrentInput() {
  static volatile sig_atomic_t saved = 0;
  const uint8_t* data = gCurrentData;
  if (saved || !gSaveInputs || data == nullptr) return;
  saved = 1;
  const size_t size = gCurrentSize;
  uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a, enough to tell crashes apart
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 0x100000001b3ull;
  char path[sizeof gArtifactPrefix + 32];
  size_t n = 0;
  for (const char* p = gArtifactPrefix; *p != '\0'; ++p) path[n++] = *p;
  for (const char c : {'c', 'r', 'a', 's', 'h', '-'}) path[n++] = c;
  for (int shift = 60; shift >= 0; shift -= 4) path[n++] = "0123456789abcdef"[(hash >> shift) & 15];
  path[n] = '\0';
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    writeStderr("fuzz_driver: could not save the crashing input\n");
    return;
  }
  for (size_t done = 0; done < size;) {
    const ssize_t wrote = ::write(fd, data + done, size - done);
    if (wrote <= 0) break;
    done += static_cast<size_t>(wrote);
  }
  ::close(fd);
  writeStderr("fuzz_driver: crashing input saved to ");
  writeStderr(path);
  writeStderr("\n");
}

void onFatalSignal(int signal) {
  // A broken promise aborts; the sanitizers leave SIGABRT to us, so print the stack they would.
  if (signal == SIGABRT && __sanitizer_print_stack_trace != nullptr) {
    __sanitizer_print_stack_trace();
  }
  saveCurrentInput();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Raw draws only, as in the benchmarks: mt19937_64's output is fixed by the standard, so a seed
// gives the same inputs with every standard library.
struct Draw {
  std::mt19937_64 rng;
  size_t below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(rng() % n); }
  bool chance(unsigned percent) { return below(100) < percent; }
};

// Bytes that change how text is cut or read: separators, line breaks, digits and the characters
// of times and dates, tag brackets, and bytes that start or continue multi-byte sequences.
constexpr std::array<uint8_t, 24> kTellingBytes{' ',  '\t', '\n', '\r', '0',  '1',  '9',  'h',
                                                ':',  '/',  '-',  '.',  '<',  '>',  ',',  '@',
                                                0x00, 0x7F, 0x80, 0xBF, 0xC3, 0xE2, 0xF0, 0xFF};

void appendUtf8(Bytes& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<uint8_t>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<uint8_t>(0xC0 | c >> 6));
    out.push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<uint8_t>(0xE0 | c >> 12));
    out.push_back(static_cast<uint8_t>(0x80 | (c >> 6 & 0x3F)));
    out.push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<uint8_t>(0xF0 | c >> 18));
    out.push_back(static_cast<uint8_t>(0x80 | (c >> 12 & 0x3F)));
    out.push_back(static_cast<uint8_t>(0x80 | (c >> 6 & 0x3F)));
    out.push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
  }
}

// A few characters from the ranges people (and pastes) bring: accented Latin, combining marks,
// typographic punctuation and odd spaces, CJK, emoji with joiners and skin tones; now and then
// something ill-formed (a lone continuation byte, a cut sequence, an encoded surrogate).
Bytes randomUtf8(Draw& draw) {
  struct Range {
    char32_t first, last;
  };
  static constexpr std::array<Range, 9> kRanges{{{0x20, 0x7E},
                                                 {0xA0, 0xFF},
                                                 {0x100, 0x17F},
                                                 {0x300, 0x36F},
                                                 {0x2000, 0x206F},
                                                 {0x4E00, 0x4FFF},
                                                 {0xFE00, 0xFFFF},
                                                 {0x1F300, 0x1F6FF},
                                                 {0x1F900, 0x1F9FF}}};
  Bytes out;
  const size_t count = 1 + draw.below(4);
  for (size_t i = 0; i < count; ++i) {
    if (draw.chance(10)) {
      static constexpr std::array<std::array<uint8_t, 3>, 5> kIllFormed{
          {{0x80, 0, 0}, {0xE2, 0x82, 0}, {0xED, 0xA0, 0x80}, {0xC0, 0xAF, 0}, {0xF4, 0x90, 0x80}}};
      for (const uint8_t b : kIllFormed[draw.below(kIllFormed.size())]) {
        if (b != 0) out.push_back(b);
      }
      continue;
    }
    const Range range = kRanges[draw.below(kRanges.size())];
    appendUtf8(out, range.first + static_cast<char32_t>(draw.below(range.last - range.first + 1)));
    if (draw.chance(10)) appendUtf8(out, U'\u200D');  // zero-width joiner
  }
  return out;
}

class Mutator {
 public:
  Mutator(const std::vector<Bytes>& seeds, uint64_t seed, size_t maxLength)
      : seeds_(seeds), draw_{std::mt19937_64(seed)}, maxLength_(maxLength) {}

  // One to five mutations stacked on a seed or on a recent mutant, so the run wanders some
  // distance from the seeds without drifting into pure noise.
  Bytes next() {
    Bytes input;
    if (!recent_.empty() && draw_.chance(40)) {
      input = recent_[draw_.below(recent_.size())];
    } else if (!seeds_.empty()) {
      input = seeds_[draw_.below(seeds_.size())];
    }
    const size_t steps = 1 + draw_.below(5);
    for (size_t i = 0; i < steps; ++i) mutate(input);
    if (input.size() > maxLength_) input.resize(maxLength_);
    if (recent_.size() < kRecent) {
      recent_.push_back(input);
    } else {
      recent_[draw_.below(kRecent)] = input;
    }
    return input;
  }

 private:
  static constexpr size_t kRecent = 64;

  void insert(Bytes& input, const Bytes& piece) {
    const size_t at = draw_.below(input.size() + 1);
    input.insert(input.begin() + static_cast<std::ptrdiff_t>(at), piece.begin(), piece.end());
  }

  const Bytes& otherSeed() {
    static const Bytes none;
    return seeds_.empty() ? none : seeds_[draw_.below(seeds_.size())];
  }

  void mutate(Bytes& input) {
    switch (draw_.below(8)) {
      case 0:  // flip one bit
        if (!input.empty()) input[draw_.below(input.size())] ^= uint8_t(1u << draw_.below(8));
        break;
      case 1:  // overwrite a byte with one that matters to the readers
        if (!input.empty()) {
          input[draw_.below(input.size())] = kTellingBytes[draw_.below(kTellingBytes.size())];
        }
        break;
      case 2: {  // insert a few random bytes
        Bytes piece(1 + draw_.below(8));
        for (uint8_t& b : piece) b = static_cast<uint8_t>(draw_.below(256));
        insert(input, piece);
        break;
      }
      case 3: {  // delete a range
        if (input.empty()) break;
        const size_t at = draw_.below(input.size());
        const size_t length = std::min(input.size() - at, 1 + draw_.below(16));
        input.erase(input.begin() + static_cast<std::ptrdiff_t>(at),
                    input.begin() + static_cast<std::ptrdiff_t>(at + length));
        break;
      }
      case 4: {  // insert a slice of another seed: its words land among ours
        const Bytes& other = otherSeed();
        if (other.empty()) break;
        const size_t at = draw_.below(other.size());
        const size_t length = std::min(other.size() - at, 1 + draw_.below(32));
        insert(input, Bytes(other.begin() + static_cast<std::ptrdiff_t>(at),
                            other.begin() + static_cast<std::ptrdiff_t>(at + length)));
        break;
      }
      case 5: {  // splice: our head, the other seed's tail
        const Bytes& other = otherSeed();
        if (other.empty()) break;
        input.resize(draw_.below(input.size() + 1));
        const size_t from = draw_.below(other.size());
        input.insert(input.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
        break;
      }
      case 6:  // a few characters of UTF-8, well-formed or not
        insert(input, randomUtf8(draw_));
        break;
      default: {  // repeat a range, for long tokens, long lines and runs of separators
        if (input.empty()) break;
        const size_t at = draw_.below(input.size());
        const size_t length = std::min(input.size() - at, 1 + draw_.below(16));
        const Bytes piece(input.begin() + static_cast<std::ptrdiff_t>(at),
                          input.begin() + static_cast<std::ptrdiff_t>(at + length));
        for (size_t copies = 1 + draw_.below(8); copies > 0; --copies) insert(input, piece);
        break;
      }
    }
  }

  const std::vector<Bytes>& seeds_;
  Draw draw_;
  size_t maxLength_;
  std::vector<Bytes> recent_;
};

Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void run(const Bytes& input) {
  gCurrentData = input.data();
  gCurrentSize = input.size();
  LLVMFuzzerTestOneInput(input.data(), input.size());
  gCurrentData = nullptr;
}

bool readFlag(std::string_view arg, std::string_view name, std::string_view& value) {
  if (!arg.starts_with(name) || arg.size() <= name.size() || arg[name.size()] != '=') return false;
  value = arg.substr(name.size() + 1);
  return true;
}

bool readNumber(std::string_view text, uint64_t& number) {
  if (text.empty() || text.size() > 18) return false;
  number = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t seconds = 5, seed = 1, maxLength = 4096;
  std::vector<fs::path> folders, files;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    std::string_view value;
    if (arg.starts_with('-')) {
      bool ok = true;
      if (readFlag(arg, "-max_total_time", value)) {
        ok = readNumber(value, seconds);
      } else if (readFlag(arg, "-seed", value)) {
        ok = readNumber(value, seed);
      } else if (readFlag(arg, "-max_len", value)) {
        ok = readNumber(value, maxLength) && maxLength > 0;
      } else if (readFlag(arg, "-artifact_prefix", value)) {
        ok = value.size() < sizeof gArtifactPrefix;
        if (ok) std::memcpy(gArtifactPrefix, value.data(), value.size() + 1);
      } else {
        std::fprintf(stderr, "fuzz_driver: ignoring %s\n", argv[i]);
      }
      if (!ok) {
        std::fprintf(stderr, "fuzz_driver: bad value in %s\n", argv[i]);
        return 2;
      }
    } else if (fs::is_directory(argv[i])) {
      folders.emplace_back(argv[i]);
    } else if (fs::is_regular_file(argv[i])) {
      files.emplace_back(argv[i]);
    } else {
      std::fprintf(stderr, "fuzz_driver: no such file or folder: %s\n", argv[i]);
      return 2;
    }
  }

  // Under a sanitizer, our own SIGSEGV handler would replace its report: there we only take
  // SIGABRT (which it leaves alone) and let its death callback save the input.
  if (__sanitizer_set_death_callback != nullptr) {
    __sanitizer_set_death_callback(saveCurrentInput);
    std::signal(SIGABRT, onFatalSignal);
  } else {
    for (const int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
      std::signal(signal, onFatalSignal);
    }
  }

  // Seeds in name order, so that the mutation stream depends on the seed and the files only.
  const bool replaying = folders.empty() && !files.empty();
  if (replaying) gSaveInputs = 0;
  std::vector<fs::path> seedPaths = files;
  for (const fs::path& folder : folders) {
    std::vector<fs::path> inFolder;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      if (entry.is_regular_file()) inFolder.push_back(entry.path());
    }
    std::sort(inFolder.begin(), inFolder.end());
    seedPaths.insert(seedPaths.end(), inFolder.begin(), inFolder.end());
  }
  std::vector<Bytes> seeds;
  for (const fs::path& path : seedPaths) {
    seeds.push_back(readFile(path));
    run(seeds.back());
  }
  if (replaying) {
    std::printf("%s: %zu inputs run\n", argv[0], seeds.size());
    return 0;
  }

  // Every input is short and the readers are linear, so the clock checked between inputs is
  // enough to end the run on time.
  Mutator mutator(seeds, seed, maxLength);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  uint64_t mutated = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    run(mutator.next());
    ++mutated;
  }
  std::printf("%s: %llu inputs run (%zu seeds, %llu mutated) in %llu s, seed %llu\n", argv[0],
              static_cast<unsigned long long>(seeds.size() + mutated), seeds.size(),
              static_cast<unsigned long long>(mutated), static_cast<unsigned long long>(seconds),
              static_cast<unsigned long long>(seed));
  return 0;
}
