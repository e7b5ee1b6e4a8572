#include "server/token_box.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace talewick::server {
namespace {

const std::string kKey = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";

TEST(TokenBox, OpensWhatItSealedAndNothingElse) {
  const std::string sealed = tokens::seal(kKey, R"({"accessToken":"tok"})");
  EXPECT_EQ(sealed.find("tok"), std::string::npos);
  EXPECT_EQ(tokens::open(kKey, sealed), R"({"accessToken":"tok"})");
  // A fresh nonce each time: the same token never seals to the same text.
  EXPECT_NE(tokens::seal(kKey, R"({"accessToken":"tok"})"), sealed);
  EXPECT_EQ(tokens::open(kKey, tokens::seal(kKey, "")), "");

  std::string altered = sealed;
  altered[30] = altered[30] == '0' ? '1' : '0';
  EXPECT_EQ(tokens::open(kKey, altered), std::nullopt);
  std::string otherKey = kKey;
  otherKey[0] = 'f';
  EXPECT_EQ(tokens::open(otherKey, sealed), std::nullopt);
  for (const std::string& garbage :
       std::vector<std::string>{"", "zz", "abc", std::string(40, '0')}) {
    EXPECT_EQ(tokens::open(kKey, garbage), std::nullopt) << garbage;
  }
  EXPECT_THROW(tokens::seal("short", "x"), std::runtime_error);
}

}  // namespace
}  // namespace talewick::server
