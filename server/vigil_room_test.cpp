#include "server/vigil_room.hpp"

#include <gtest/gtest.h>

namespace talewick::server::vigil {
namespace {

std::vector<std::int64_t> range(std::int64_t from, std::int64_t to, std::int64_t step = 1) {
  std::vector<std::int64_t> out;
  for (std::int64_t w = from; w <= to; w += step) out.push_back(w);
  return out;
}

TEST(VigilCoverage, aBeatCoversItsWindowAndTheTwoAfterItWithinTheSession) {
  EXPECT_EQ(coveredWindows(range(0, 24)), 25);
  // A member beating every 150 s (every second or third window) never leaves a gap.
  EXPECT_EQ(coveredWindows({0, 2, 5, 7, 10, 12, 15, 17, 20, 22}), 25);
  EXPECT_EQ(coveredWindows({0, 10}), 6);
  EXPECT_EQ(coveredWindows({23}), 2);  // windows past the session do not count
  EXPECT_EQ(coveredWindows({-5, 30}), 0);
  EXPECT_EQ(coveredWindows({4, 4, 5}), 4);
}

TEST(VigilCoverage, twentyWindowsHoldAndNineteenDoNot) {
  const auto held = resolve({{range(0, 17), 0}, {range(0, 16), 0}});
  EXPECT_TRUE(held.seats[0].held);   // windows 0 … 19
  EXPECT_FALSE(held.seats[1].held);  // windows 0 … 18
}

TEST(VigilResolution, threeOfFourHeldPayTheThreeWithTheirTasks) {
  const Resolution resolution =
      resolve({{range(0, 24), 0}, {range(0, 24), 1}, {range(0, 24, 2), 3}, {range(0, 9), 3}});
  EXPECT_EQ(resolution.seats,
            (std::vector<SeatOutcome>{{true, 70}, {true, 80}, {true, 100}, {false, 0}}));
  EXPECT_EQ(resolution.result, (VigilWire::Result{true, false, 4, 3}));
}

TEST(VigilResolution, aFullRoomThatAllHeldRingsTheBelfryAndTheRewardIsCapped) {
  const Resolution resolution =
      resolve({{range(0, 24), 5}, {range(0, 24), 5}, {range(0, 24), 5}, {range(0, 24), 5}});
  for (const SeatOutcome& seat : resolution.seats) EXPECT_EQ(seat, (SeatOutcome{true, 115}));
  EXPECT_EQ(resolution.result, (VigilWire::Result{true, true, 4, 4}));
}

TEST(VigilResolution, twoWhoHeldArePaidButDoNotLightTheFire) {
  const Resolution resolution = resolve({{range(0, 24), 0}, {range(0, 24), 0}, {{}, 0}});
  EXPECT_EQ(resolution.seats, (std::vector<SeatOutcome>{{true, 55}, {true, 55}, {false, 0}}));
  EXPECT_EQ(resolution.result, (VigilWire::Result{false, false, 3, 2}));
  EXPECT_EQ(resolve({}).result, (VigilWire::Result{false, false, 0, 0}));
}

TEST(VigilPhase, lobbyBurningUntilTheCloseThenResolved) {
  const std::int64_t start = 1'796'646'600;
  EXPECT_EQ(phase(start, start - 1), "lobby");
  EXPECT_EQ(phase(start, start), "burning");
  EXPECT_EQ(phase(start, start + 1500), "burning");  // the session ended, the slot did not
  EXPECT_EQ(phase(start, start + 1799), "burning");
  EXPECT_EQ(phase(start, start + 1800), "resolved");
  EXPECT_EQ(windowAt(start, start + 59), 0);
  EXPECT_EQ(windowAt(start, start + 60), 1);
}

TEST(VigilCandles, litWhileTheLastBeatCoversTheWindow) {
  EXPECT_EQ(liveCandle("lobby", std::nullopt, -3), "waiting");
  EXPECT_EQ(liveCandle("burning", std::nullopt, 4), "unlit");
  EXPECT_EQ(liveCandle("burning", 2, 4), "lit");
  EXPECT_EQ(liveCandle("burning", 1, 4), "flickering");
}

}  // namespace
}  // namespace talewick::server::vigil
