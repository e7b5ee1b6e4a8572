// The day-key seeded generator: seed, draws, bounded draws and shuffles. The expected values were
// worked out independently of this code; a board generated elsewhere depends on every one of them.
#include "support/seeded_generator.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace talewick {
namespace {

std::vector<uint64_t> draws(SeededGenerator rng, int count) {
  std::vector<uint64_t> out;
  for (int i = 0; i < count; ++i) out.push_back(rng.next());
  return out;
}

TEST(SeededGenerator, SeedIsDjb2OverTheUtf8BytesIn64Bits) {
  EXPECT_EQ(SeededGenerator::djb2(""), 5381u);
  EXPECT_EQ(SeededGenerator::djb2("2026-12-05"), 8243816804024242769u);  // wraps around
  EXPECT_EQ(SeededGenerator::djb2("2026-12-06"), 8243816804024242770u);
  EXPECT_EQ(SeededGenerator::djb2("été"), 210825010609u);  // five bytes, not three letters
  EXPECT_EQ(draws(SeededGenerator::forKey("2026-12-05"), 3),
            draws(SeededGenerator(8243816804024242769u), 3));
}

TEST(SeededGenerator, DrawsAreSplitMix64) {
  // The published SplitMix64 sequence for the state 1234567.
  EXPECT_EQ(draws(SeededGenerator(1234567), 5),
            (std::vector<uint64_t>{6457827717110365317u, 3203168211198807973u, 9817491932198370423u,
                                   4593380528125082431u, 16408922859458223821u}));
  EXPECT_EQ(
      draws(SeededGenerator::forKey("2026-12-05"), 3),
      (std::vector<uint64_t>{10384184103450196843u, 4912414692090650752u, 24325884900480512u}));
  // A zero seed starts from the golden gamma instead of a state of zero.
  EXPECT_EQ(draws(SeededGenerator(0), 2),
            (std::vector<uint64_t>{7960286522194355700u, 487617019471545679u}));
  EXPECT_EQ(draws(SeededGenerator(0), 4), draws(SeededGenerator(SeededGenerator::GOLDEN_GAMMA), 4));
}

TEST(SeededGenerator, BoundedDrawTakesTheHighWordAndRejectsTheBiasedLowWords) {
  SeededGenerator rng = SeededGenerator::forKey("2026-12-05");
  std::vector<uint64_t> small;
  for (int i = 0; i < 5; ++i) small.push_back(rng.below(10));
  // The first draw modulo 10 would give 3: the high word of draw × 10 gives 5.
  EXPECT_EQ(small, (std::vector<uint64_t>{5, 2, 0, 4, 4}));

  // For n = 2^63 + 1 about half the low words are rejected; the first three draws of this day
  // are, so the value comes from a later draw, and exactly the draws used are consumed.
  rng = SeededGenerator::forKey("2026-12-05");
  EXPECT_EQ(rng.below((uint64_t{1} << 63) + 1), 4533797287812485066u);
  EXPECT_EQ(rng.next(), 7952557475491866186u);

  // below(1) is always 0 yet consumes one draw; below(0) gives 0 and consumes none.
  rng = SeededGenerator::forKey("2026-12-05");
  EXPECT_EQ(rng.below(1), 0u);
  EXPECT_EQ(rng.below(0), 0u);
  EXPECT_EQ(rng.next(), 4912414692090650752u);
}

TEST(SeededGenerator, ShuffleIsFisherYatesFromTheFront) {
  SeededGenerator rng = SeededGenerator::forKey("2026-12-05");
  std::vector<int> digits{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  rng.shuffle(digits);
  EXPECT_EQ(digits, (std::vector<int>{5, 3, 2, 6, 1, 7, 9, 4, 8, 0}));

  rng = SeededGenerator::forKey("2026-12-05");
  std::vector<std::string> letters{"a", "b", "c", "d", "e"};
  rng.shuffle(letters);
  EXPECT_EQ(letters, (std::vector<std::string>{"c", "a", "b", "d", "e"}));
  // Four draws for five elements, none for the last one.
  EXPECT_EQ(rng.next(), draws(SeededGenerator::forKey("2026-12-05"), 5).back());

  // Nothing to shuffle: no draw consumed.
  rng = SeededGenerator::forKey("2026-12-05");
  std::vector<int> none, one{42};
  rng.shuffle(none);
  rng.shuffle(one);
  EXPECT_EQ(one, std::vector<int>{42});
  EXPECT_EQ(rng.next(), 10384184103450196843u);
}

}  // namespace
}  // namespace talewick
