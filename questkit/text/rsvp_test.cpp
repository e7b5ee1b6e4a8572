#include "text/rsvp.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

TEST(InvitationKey, NamesAnOccurrenceByItsIdentifierAndWholeSecondsSince1970) {
  EXPECT_EQ(invitationKey("uid-1", Date::fromUnix(1796821200.75)), "uid-1|1796821200");
  EXPECT_EQ(invitationKey("uid-1", std::nullopt), "uid-1|");
  EXPECT_EQ(invitationKey("", Date::fromUnix(10)), "|10");
}

}  // namespace
}  // namespace talewick
