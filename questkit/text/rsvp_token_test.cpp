// Invitation identifiers: the UID's form, the token's letters, and which tokens are accepted.
#include "text/rsvp_token.hpp"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace talewick {
namespace {

// Gives `draws` in order, over and over.
Rng cycling(std::vector<double> draws) {
  return [draws, next = size_t{0}]() mutable { return draws[next++ % draws.size()]; };
}

TEST(RSVPToken, UidIsThePrefixAndTheUuidInLowerCase) {
  EXPECT_EQ(RSVPToken::newUID("4F1C2B9E-7D3A-4C55-9E21-0A6B8C7D5E4F"),
            "quillon-4f1c2b9e-7d3a-4c55-9e21-0a6b8c7d5e4f");
}

TEST(RSVPToken, EachDrawPicksOneLetterOfTheAlphabetEvenly) {
  EXPECT_EQ(RSVPToken::alphabet.size(), 62u);
  EXPECT_EQ(std::set<char>(RSVPToken::alphabet.begin(), RSVPToken::alphabet.end()).size(), 62u);
  // A draw in [k/62, (k+1)/62) picks letter k; a draw just below 1 still picks the last letter.
  EXPECT_EQ(
      RSVPToken::newToken(5, cycling({0.5 / 62, 1.5 / 62, 26.5 / 62, 52.5 / 62, 0.9999999999})),
      "abA09");
  EXPECT_EQ(RSVPToken::newToken(3, cycling({61.5 / 62.0, 25.99 / 62.0})), "9z9");
  EXPECT_EQ(RSVPToken::newToken(0, cycling({0.5})), "");

  std::vector<double> everyLetter;
  for (int k = 0; k < 62; ++k) everyLetter.push_back((k + 0.5) / 62);
  EXPECT_EQ(RSVPToken::newToken(62, cycling(everyLetter)), RSVPToken::alphabet);
}

TEST(RSVPToken, ValidTokensAre6To24LettersOrDigits) {
  EXPECT_TRUE(RSVPToken::isValidToken("Ab3dE9"));
  EXPECT_TRUE(RSVPToken::isValidToken(std::string(24, 'Z')));
  EXPECT_TRUE(RSVPToken::isValidToken(RSVPToken::newToken(10, cycling({0.1, 0.7, 0.95}))));
  EXPECT_FALSE(RSVPToken::isValidToken("Ab3dE"));
  EXPECT_FALSE(RSVPToken::isValidToken(std::string(25, 'Z')));
  EXPECT_FALSE(RSVPToken::isValidToken("Ab3-E9xy"));
  EXPECT_FALSE(RSVPToken::isValidToken("Ab3 E9xy"));
  EXPECT_FALSE(RSVPToken::isValidToken("Ab3éE9xy"));
  EXPECT_FALSE(RSVPToken::isValidToken(std::string("Ab3\0E9xy", 8)));
  EXPECT_FALSE(RSVPToken::isValidToken(""));
}

}  // namespace
}  // namespace talewick
