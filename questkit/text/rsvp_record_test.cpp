// Answers to a sent invitation: counting them, saying them, combining what each source knows,
// and their stored form.
#include "text/rsvp_record.hpp"

#include <gtest/gtest.h>

#include "support/loc.hpp"

namespace talewick {
namespace {

RSVPEntry entry(std::string email, RSVPStatus status, std::optional<double> respondedAt = {},
                std::optional<std::string> name = {}) {
  RSVPEntry e;
  e.email = std::move(email);
  e.name = std::move(name);
  e.status = status;
  if (respondedAt) e.respondedAt = Date{*respondedAt};
  return e;
}

std::vector<std::string> emails(const RSVPRecord& r) {
  std::vector<std::string> out;
  for (const RSVPEntry& e : r.invitees) out.push_back(e.email);
  return out;
}

TEST(RSVPRecordSummary, CountsAnswersAgainstTheInvited) {
  const RSVPRecord r{
      "quillon-1",
      0,
      {entry("a@x.org", RSVPStatus::accepted), entry("b@x.org", RSVPStatus::declined),
       entry("c@x.org", RSVPStatus::needsAction)}};
  EXPECT_EQ(r.respondedCount(), 2);
  EXPECT_EQ(r.summary(3), "2/3 ont répondu");
  EXPECT_EQ(r.summary(5), "2/5 ont répondu");
  EXPECT_EQ(r.summary(0), "Aucun invité");

  const RSVPRecord waiting{"quillon-1", 0, {entry("c@x.org", RSVPStatus::needsAction)}};
  EXPECT_EQ(waiting.respondedCount(), 0);
  EXPECT_EQ(waiting.summary(1), "Personne n'a encore répondu");
  EXPECT_EQ(RSVPRecord{}.summary(0), "Aucun invité");

  Loc::setLanguage(Loc::Language::en);
  const std::string english = r.summary(3);
  Loc::setLanguage(Loc::Language::fr);
  EXPECT_EQ(english, "2/3 answered");
}

TEST(RSVPRecordMerge, EachPersonOnceAnsweredFirstThenByAddress) {
  const RSVPRecord record{
      "quillon-1",
      3,
      {entry("Zoe@x.org", RSVPStatus::needsAction, {}, "Zoé"),
       entry("bob@x.org", RSVPStatus::needsAction), entry("alice@x.org", RSVPStatus::needsAction)}};
  const RSVPRecord merged = record.merged(
      {entry("zoe@X.ORG", RSVPStatus::tentative), entry("carl@x.org", RSVPStatus::needsAction),
       entry("Bob@x.org", RSVPStatus::needsAction, {}, "Bob")},
      {{"ALICE@x.org", RSVPStatus::accepted}, {"dan@x.org", RSVPStatus::declined}});
  EXPECT_EQ(merged.uid, "quillon-1");
  EXPECT_EQ(merged.sequence, 3);
  EXPECT_EQ(emails(merged), (std::vector<std::string>{"alice@x.org", "dan@x.org", "Zoe@x.org",
                                                      "bob@x.org", "carl@x.org"}));
  EXPECT_EQ(merged.invitees[0].status, RSVPStatus::accepted);
  EXPECT_EQ(merged.invitees[1].status, RSVPStatus::declined);
  EXPECT_EQ(merged.invitees[2].status, RSVPStatus::tentative);
  EXPECT_EQ(merged.invitees[2].name, "Zoé");  // the record's name is kept
  EXPECT_EQ(merged.invitees[3].name, "Bob");  // a missing name is filled in
  EXPECT_EQ(merged.invitees[4].status, RSVPStatus::needsAction);
  EXPECT_EQ(merged.respondedCount(), 3);
}

TEST(RSVPRecordMerge, TheNewerAnswerWinsAndNoAnswerNeverHidesOne) {
  const RSVPRecord record{
      "quillon-1",
      0,
      {entry("a@x.org", RSVPStatus::accepted, 1000), entry("b@x.org", RSVPStatus::accepted, 1000),
       entry("c@x.org", RSVPStatus::declined, 1000),
       entry("d@x.org", RSVPStatus::tentative, 1000)}};
  const RSVPRecord merged =
      record.merged({entry("a@x.org", RSVPStatus::declined, 2000),  // newer: wins
                     entry("b@x.org", RSVPStatus::declined, 500),   // older: loses
                     entry("c@x.org", RSVPStatus::needsAction)},    // no answer: loses
                    {{"d@x.org", RSVPStatus::accepted}});           // undated, read last: wins
  ASSERT_EQ(merged.invitees.size(), 4u);
  EXPECT_EQ(merged.invitees[0], entry("a@x.org", RSVPStatus::declined, 2000));
  EXPECT_EQ(merged.invitees[1], entry("b@x.org", RSVPStatus::accepted, 1000));
  EXPECT_EQ(merged.invitees[2], entry("c@x.org", RSVPStatus::declined, 1000));
  // A different answer brings its own (absent) date and comment, not the older answer's.
  EXPECT_EQ(merged.invitees[3], entry("d@x.org", RSVPStatus::accepted));
}

TEST(RSVPRecordMerge, TheSameAnswerKeepsWhatIsKnownOfIt) {
  RSVPEntry known = entry("a@x.org", RSVPStatus::accepted, 1000);
  known.comment = "Avec plaisir";
  const RSVPRecord merged =
      RSVPRecord{"u", 0, {known}}.merged({}, {{"A@x.org", RSVPStatus::accepted}});
  ASSERT_EQ(merged.invitees.size(), 1u);
  EXPECT_EQ(merged.invitees[0], known);

  // Duplicates inside one source are one person too.
  const RSVPRecord twice = RSVPRecord{"u", 0, {}}.merged(
      {entry("a@x.org", RSVPStatus::needsAction), entry("A@X.org", RSVPStatus::tentative)}, {});
  EXPECT_EQ(twice.invitees, (std::vector<RSVPEntry>{entry("a@x.org", RSVPStatus::tentative)}));
}

TEST(RSVPRecordJson, WritesKeysInOrderAndLeavesAbsentOptionalsOut) {
  RSVPEntry full = entry("a@x.org", RSVPStatus::tentative, 794000000.0, "Ana");
  full.comment = "Peut-être en retard";
  const RSVPRecord record{"quillon-1", 2, {full, entry("b@x.org", RSVPStatus::needsAction)}};
  const Json j = record;
  EXPECT_EQ(j.dump(),
            R"({"uid":"quillon-1","sequence":2,"invitees":[{"email":"a@x.org","name":"Ana",)"
            R"("status":"tentative","respondedAt":794000000.0,"comment":"Peut-être en retard"},)"
            R"({"email":"b@x.org","status":"needsAction"}]})");
  EXPECT_EQ(decodeJsonText<RSVPRecord>(j.dump()), record);
}

TEST(RSVPRecordJson, RefusesDamagedDocuments) {
  const char* damaged[] = {
      R"({"uid":"u","sequence":0,"invitees":[{"email":"a@x.org","status":"maybe"}]})",
      R"({"uid":"u","sequence":0,"invitees":[{"email":"a@x.org","status":"ACCEPTED"}]})",
      R"({"uid":"u","sequence":0,"invitees":[{"status":"accepted"}]})",
      R"({"uid":"u","sequence":"0","invitees":[]})",
      R"({"uid":"u","invitees":[]})",
      R"({"uid":"u","sequence":0,"invitees":{}})",
      R"({"uid":"u","sequence":0,"invitees":[{"email":"a@x.org","status":"accepted",)"
      R"("respondedAt":"hier"}]})",
      R"({"uid":"u","sequence":0,"invitees":[)",
  };
  for (const char* text : damaged) {
    EXPECT_THROW(decodeJsonText<RSVPRecord>(text), DecodeError) << text;
  }
  try {
    decodeJsonText<RSVPRecord>(damaged[0]);
  } catch (const DecodeError& e) {
    EXPECT_EQ(e.path(), "invitees[0].status");
  }
}

}  // namespace
}  // namespace talewick
