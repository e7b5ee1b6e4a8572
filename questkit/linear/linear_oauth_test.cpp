// The OAuth rules against published vectors (FIPS 180-4's digests around the padding's block
// boundary, RFC 7636's S256 example) and the token endpoint's answers, good and bad.
#include "linear/linear_oauth.hpp"

#include <gtest/gtest.h>

#include "support/digest.hpp"

namespace talewick {
namespace {

std::string hex(const std::string& bytes) {
  static constexpr char DIGITS[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    out += DIGITS[static_cast<unsigned char>(c) >> 4];
    out += DIGITS[static_cast<unsigned char>(c) & 15];
  }
  return out;
}

TEST(LinearOAuth, derivesTheS256ChallengeFromPublishedVectors) {
  const struct {
    std::string data;
    const char* sha256;
  } digests[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"}};
  for (const auto& each : digests) {
    EXPECT_EQ(hex(digest::sha256(each.data)), each.sha256) << each.data.size();
  }
  EXPECT_EQ(digest::base64URL("f"), "Zg");
  EXPECT_EQ(digest::base64URL("fo"), "Zm8");
  EXPECT_EQ(digest::base64URL("\xfb\xff"), "-_8");
  EXPECT_EQ(digest::pkceChallenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
            "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
}

TEST(LinearOAuth, readsTheTokenOrSaysWhyThereIsNone) {
  EXPECT_EQ(
      LinearOAuth::accessToken(200, R"({"access_token":"lin_oauth_1","token_type":"Bearer"})"),
      "lin_oauth_1");
  const struct {
    int status;
    const char* body;
    const char* why;
  } refusals[] = {
      {400, R"({"error":"invalid_grant","error_description":"Code expired"})", "Code expired"},
      {401, R"({"error":"invalid_client"})", "invalid_client"},
      {502, "<html>Bad gateway</html>", "Linear a refusé le code (HTTP 502)."},
      {200, "<html>", "Linear a répondu sans jeton lisible."},
      {200, R"({"access_token":42})", "Linear a répondu sans jeton lisible."},
      {200, R"({"access_token":"a\nb"})", "Linear a répondu sans jeton lisible."},
      {200, R"({"error":"\u001b[31mnope"})", "[31mnope"},
  };
  for (const auto& each : refusals) {
    try {
      LinearOAuth::accessToken(each.status, each.body);
      ADD_FAILURE() << each.body;
    } catch (const LinearOAuthError& e) {
      EXPECT_EQ(std::string(e.what()), each.why) << each.body;
    }
  }
}

}  // namespace
}  // namespace talewick
