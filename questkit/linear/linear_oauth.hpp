// The program's own OAuth with Linear (authorization code with PKCE, the challenge from
// digest::pkceChallenge): the access token read from the token endpoint's answer.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace talewick {

// Why the token endpoint gave no token: its own refusal ("error_description", else "error"), or
// an answer that holds none. The message is French, ready for a status line.
struct LinearOAuthError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

namespace LinearOAuth {

// The "access_token" of an answer of status `status`; throws LinearOAuthError for a refusal, an
// answer outside 200–299 or a body that holds no token text.
std::string accessToken(int status, std::string_view body);

}  // namespace LinearOAuth
}  // namespace talewick
