#include "services/backend/backend_url.hpp"

#include <gtest/gtest.h>

namespace talewick::backend {
namespace {

TEST(BackendURL, OnlyATrimmedHttpURLWithAHostIsABackend) {
  EXPECT_EQ(backendRoot("  https://api.example.org/talewick/ \n"),
            "https://api.example.org/talewick");
  EXPECT_EQ(backendRoot("HTTP://127.0.0.1:8787"), "HTTP://127.0.0.1:8787");
  for (const char* refused :
       {"", "   ", "\t\n", "api.example.org", "ftp://example.org", "https://", "https:///path",
        "https://example.org/a b", "https://example.org/?x=1", "https://example.org/#top",
        "https://user@evil.example", "https://exa\x1bmple.org"}) {
    EXPECT_EQ(backendRoot(refused), std::nullopt) << refused;
  }
}

TEST(BackendURL, CallPathsAreAppendedAsPathComponents) {
  EXPECT_EQ(callURL("https://h/root", "api/register"), "https://h/root/api/register");
  EXPECT_EQ(callURL("https://h", "/api/asana/connections"), "https://h/api/asana/connections");
}

}  // namespace
}  // namespace talewick::backend
