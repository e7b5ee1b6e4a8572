// Who the calendar says the user met: the people of ended meetings, never the user, each under
// the keys that let the book recognise them again.
#include "core/inhabitant_contributions.hpp"

#include <gtest/gtest.h>

#include "tests/support/fake_calendar_store.hpp"

namespace talewick {
namespace {

using InhabitantContributions::fromEvents;
using Kind = Inhabitant::Kind;

// 2026-12-07 09:00 UTC.
constexpr double MONDAY_NINE = 818326800.0;

// A meeting from `hours` to an hour later, as calendar access reads it: the attendees' names
// (the user's own left out), then every address it found, the user's among them.
DayEvent meeting(std::string id, double hours, std::vector<std::string> labels,
                 std::vector<std::string> addresses) {
  DayEvent e;
  e.id = std::move(id);
  e.title = "Point";
  e.startDate = Date{MONDAY_NINE + hours * 3600};
  e.endDate = e.startDate.adding(3600);
  e.attendees = static_cast<int64_t>(labels.size());
  e.attendeeLabels = std::move(labels);
  e.attendeeEmails = std::move(addresses);
  return e;
}

const Date EVENING{MONDAY_NINE + 10 * 3600};
const std::vector<std::string> ME{" Moi@Corp.fr", "me@gmail.com"};

std::vector<std::vector<AliasKey>> keysOf(const std::vector<InhabitantBook::Encounter>& met) {
  std::vector<std::vector<AliasKey>> out;
  for (const auto& e : met) out.push_back(e.contribution.keys);
  return out;
}

AliasKey email(std::string_view s) { return *AliasKey::email(s); }
AliasKey name(std::string_view s) { return *AliasKey::name(s); }

TEST(InhabitantContributions, TheAttendeesAndOrganiserOfAnEndedMeetingButNeverTheUser) {
  DayEvent e = meeting("sync", 0, {"Alice Martin", "bob@partner.io"},
                       {"moi@corp.fr", "alice@corp.fr", "bob@partner.io", "team@corp.fr"});
  e.organizerLabel = "Moi";
  e.organizerEmail = "MOI@corp.fr";
  const auto met = fromEvents({e}, EVENING, ME);
  EXPECT_EQ(keysOf(met),
            (std::vector<std::vector<AliasKey>>{{email("alice@corp.fr"), name("Alice Martin")},
                                                {email("bob@partner.io")}}))
      << "names paired in order; the calendar's own address is nobody";
  ASSERT_EQ(met.size(), 2u);
  EXPECT_EQ(met[0].displayName, "Alice Martin");
  EXPECT_EQ(met[0].kind, Kind::colleague) << "the user's own domain";
  EXPECT_EQ(met[1].displayName, "bob@partner.io");
  EXPECT_EQ(met[1].kind, Kind::external);
  EXPECT_EQ(met[0].contribution.id, "meeting:sync@2026-12-07T09:00:00Z:alice@corp.fr");
  EXPECT_EQ(met[0].contribution.sharedMeetings, 1);
  EXPECT_EQ(met[0].at, e.endDate);

  // The same calendar read again gives the same ids: a meeting is counted once.
  EXPECT_EQ(fromEvents({e}, EVENING, ME), met);
  // The next occurrence of a series is another meeting.
  DayEvent next = e;
  next.startDate = e.startDate.adding(-86400);
  next.endDate = e.endDate.adding(-86400);
  EXPECT_EQ(fromEvents({next}, EVENING, ME)[0].contribution.id,
            "meeting:sync@2026-12-06T09:00:00Z:alice@corp.fr");
}

TEST(InhabitantContributions, NoMeetingUntilItEndsAndNoneWithTheUserAlone) {
  DayEvent running = meeting("now", 9.5, {"Alice"}, {"alice@corp.fr"});
  EXPECT_TRUE(fromEvents({running}, EVENING, ME).empty());
  EXPECT_EQ(fromEvents({running}, running.endDate, ME).size(), 1u) << "ended at its end";

  DayEvent alone = meeting("focus", 0, {}, {"me@gmail.com"});
  alone.organizerLabel = "me@gmail.com";
  alone.organizerEmail = "ME@Gmail.com ";
  EXPECT_TRUE(fromEvents({alone}, EVENING, ME).empty());
}

TEST(InhabitantContributions, TheOrganiserIsMetByNameAndAPublicDomainMakesNoColleague) {
  DayEvent e = meeting("lunch", 1, {"Zoé"}, {"zoe@gmail.com", "me@gmail.com", "paul@corp.fr"});
  e.organizerLabel = "Paul Durand";
  e.organizerEmail = "Paul@Corp.fr";
  const auto met = fromEvents({e}, EVENING, ME);
  EXPECT_EQ(keysOf(met),
            (std::vector<std::vector<AliasKey>>{{email("zoe@gmail.com"), name("Zoé")},
                                                {email("paul@corp.fr"), name("Paul Durand")}}));
  ASSERT_EQ(met.size(), 2u);
  EXPECT_EQ(met[0].kind, Kind::external) << "the user's gmail address makes no gmail colleague";
  EXPECT_EQ(met[1].kind, Kind::colleague);
  EXPECT_EQ(met[1].displayName, "Paul Durand");
}

TEST(InhabitantContributions, NamesAreNotTrustedWhereTheAddressesDoNotLineUp) {
  // An attendee without a usable address shifts every pairing after it: "Carol" would be
  // given Dan's address. The attendee named by an address shows the shift.
  DayEvent e = meeting("board", 0, {"Carol", "dan@corp.fr"}, {"dan@corp.fr", "eve@corp.fr"});
  e.organizerLabel = "Eve";
  e.organizerEmail = "eve@corp.fr";
  EXPECT_EQ(keysOf(fromEvents({e}, EVENING, ME)),
            (std::vector<std::vector<AliasKey>>{{email("dan@corp.fr")},
                                                {email("eve@corp.fr"), name("Eve")}}));
}

TEST(InhabitantContributions, TheUsersAddressesComeAsAListOrOneTextWithCommas) {
  testing::MemoryPreferences prefs;
  EXPECT_TRUE(InhabitantContributions::ownAddresses(prefs).empty());
  prefs.set("identity.emails", "me@corp.fr, me@gmail.com,,");
  EXPECT_EQ(InhabitantContributions::ownAddresses(prefs),
            (std::vector<std::string>{"me@corp.fr", "me@gmail.com"}));
  prefs.set("identity.emails", Json::array({"a@b.c", "d@e.f"}));
  EXPECT_EQ(InhabitantContributions::ownAddresses(prefs),
            (std::vector<std::string>{"a@b.c", "d@e.f"}));
}

}  // namespace
}  // namespace talewick
