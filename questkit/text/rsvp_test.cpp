#include "text/rsvp.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace talewick {
namespace {

TEST(InvitationKey, NamesAnOccurrenceByItsIdentifierAndWholeSecondsSince1970) {
  EXPECT_EQ(invitationKey("uid-1", Date::fromUnix(1796821200.75)), "uid-1|1796821200");
  EXPECT_EQ(invitationKey("uid-1", std::nullopt), "uid-1|");
  EXPECT_EQ(invitationKey("", Date::fromUnix(10)), "|10");
}

TEST(RSVPStatusFromPartstat, OnlyTheThreeAnswersInAnyCaseCount) {
  EXPECT_EQ(rsvpStatus("ACCEPTED"), RSVPStatus::accepted);
  EXPECT_EQ(rsvpStatus("accepted"), RSVPStatus::accepted);
  EXPECT_EQ(rsvpStatus("Declined"), RSVPStatus::declined);
  EXPECT_EQ(rsvpStatus("tEnTaTiVe"), RSVPStatus::tentative);
  for (const char* other : {"NEEDS-ACTION", "DELEGATED", "COMPLETED", "", " ACCEPTED", "ACCEPT"}) {
    EXPECT_EQ(rsvpStatus(other), RSVPStatus::needsAction) << other;
  }
  EXPECT_TRUE(hasResponded(RSVPStatus::tentative));
  EXPECT_FALSE(hasResponded(RSVPStatus::needsAction));
}

TEST(InviteRSVPLore, EachModeHasItsOwnTexts) {
  EXPECT_EQ(InviteRSVPLore::strings(RPGMode::comic),
            (InviteRSVPLore::Strings{"📬 Encore une invitation…",
                                     "Quelqu'un veut te voir. Tu peux fuir, mais c'est mal vu.",
                                     "🤝 Bon bah c'est noté. T'y seras."}));
  EXPECT_EQ(InviteRSVPLore::strings(RPGMode::donjon).accepted,
            "⛏️ Inscrit au tableau des quêtes. Au boulot !");
  std::set<std::string> bodies;
  for (const RPGMode mode : allCases<RPGMode>()) {
    bodies.insert(InviteRSVPLore::strings(mode).noticeBody);
  }
  EXPECT_EQ(bodies.size(), allCases<RPGMode>().size());
}

}  // namespace
}  // namespace talewick
