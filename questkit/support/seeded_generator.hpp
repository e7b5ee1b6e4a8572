// The generator behind every daily random choice. Seeded from the day key, it gives the same
// draws on every machine and every run, so a board generated elsewhere from the same inputs
// matches ours draw for draw. Its steps are fixed forever: changing any of them changes the
// boards of every user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace talewick {

class SeededGenerator {
 public:
  // The state used in place of a zero seed.
  static constexpr uint64_t GOLDEN_GAMMA = 0x9E3779B97F4A7C15ull;

  // Starts from `seed`, or from GOLDEN_GAMMA when `seed` is 0.
  explicit SeededGenerator(uint64_t seed);

  // djb2 over the UTF-8 bytes of `key` (from 5381, h = h × 33 + byte, 64-bit wrap-around); the
  // empty key gives 5381.
  static uint64_t djb2(std::string_view key);

  // The generator of one day: seeded with djb2(dayKey).
  static SeededGenerator forKey(std::string_view key);

  // One SplitMix64 draw.
  uint64_t next();

  // A draw in 0 ..< n without bias: the high word of the 128-bit product of a draw and n, drawing
  // again while the low word is below (2^64 − n) mod n. n = 0 gives 0 and consumes no draw.
  uint64_t below(uint64_t n);

  // Fisher–Yates from the front: for i = 0, 1, … while more than one element remains, swaps
  // element i with element i + below(remaining).
  template <class T>
  void shuffle(std::vector<T>& items) {
    for (size_t i = 0; items.size() - i > 1; ++i) {
      const size_t r = static_cast<size_t>(below(items.size() - i));
      if (r != 0) std::swap(items[i], items[i + r]);
    }
  }

 private:
  uint64_t state_;
};

}  // namespace talewick
