#include "support/seeded_generator.hpp"

namespace talewick {

SeededGenerator::SeededGenerator(uint64_t seed) : state_(seed == 0 ? GOLDEN_GAMMA : seed) {}

uint64_t SeededGenerator::djb2(std::string_view key) {
  uint64_t h = 5381;
  for (unsigned char byte : key) h = h * 33 + byte;
  return h;
}

SeededGenerator SeededGenerator::forKey(std::string_view key) { return SeededGenerator(djb2(key)); }

uint64_t SeededGenerator::next() {
  state_ += GOLDEN_GAMMA;
  uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint64_t SeededGenerator::below(uint64_t n) {
  if (n == 0) return 0;
  const uint64_t threshold = (uint64_t{0} - n) % n;  // (2^64 − n) mod n
  for (;;) {
    const unsigned __int128 product = static_cast<unsigned __int128>(next()) * n;
    if (static_cast<uint64_t>(product) >= threshold) return static_cast<uint64_t>(product >> 64);
  }
}

}  // namespace talewick
