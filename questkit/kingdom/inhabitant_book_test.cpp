// The inhabitants book: meeting people, the bounded ledger, two machines' books merged into one,
// the user's merges and names, and the book's JSON.
#include "kingdom/inhabitant_book.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using namespace InhabitantBook;
using Kind = Inhabitant::Kind;

AliasKey email(std::string_view s) { return *AliasKey::email(s); }
AliasKey name(std::string_view s) { return *AliasKey::name(s); }

// 2026-12-07 09:00 UTC, and `hours` later.
Date at(double hours) { return Date{818326800.0 + hours * 3600}; }

// One meeting `meeting` shared with the person of `keys`, ended at `hours`.
Encounter met(const std::string& meeting, std::vector<AliasKey> keys, std::string shownAs,
              double hours, Kind kind = Kind::external) {
  const std::string id = "meeting:" + meeting + ":" + keys.front().value;
  return Encounter{{id, std::move(keys), 1, 0, 0}, std::move(shownAs), kind, at(hours)};
}

const Inhabitant& only(const Book& book) {
  EXPECT_EQ(book.inhabitants.size(), 1u);
  return book.inhabitants.front();
}

// Who is in a book and what each earned, whatever the ids: what two machines must agree on.
std::map<std::set<AliasKey>, LienTally> people(const Book& book) {
  std::map<std::set<AliasKey>, LienTally> out;
  for (const Inhabitant& i : book.inhabitants) out[i.aliases] = i.links;
  return out;
}

TEST(InhabitantBook, OnePersonUnderTwoSpellingsAndANameIsOneInhabitant) {
  Book book;
  EXPECT_TRUE(meet(
      book, {met("m1", {email(" Alice@Example.com"), name("Alice Martin")}, "alice@example.com", 5),
             met("m2", {email("alice@EXAMPLE.com ")}, "alice@example.com", 1),
             met("m3", {name("ALICE MARTIN")}, "Alice Martin", 9)}));
  const Inhabitant& alice = only(book);
  EXPECT_EQ(alice.id, "email:alice@example.com");
  EXPECT_EQ(alice.aliases, (std::set{email("alice@example.com"), name("alice martin")}));
  EXPECT_EQ(alice.links, (LienTally{3, 0, 0}));
  EXPECT_EQ(alice.displayName, "Alice Martin") << "a name replaces the address shown";
  EXPECT_EQ(alice.firstSeenISO, "2026-12-07T10:00:00Z") << "the earliest meeting, met second";
  EXPECT_EQ(alice.lastSeenISO, "2026-12-07T18:00:00Z");
  EXPECT_EQ(book.ledger.size(), 3u);
}

TEST(InhabitantBook, MeetingAgainWhatWasCountedChangesNothing) {
  const std::vector<Encounter> day{met("m1", {email("bob@x.org")}, "Bob", 1),
                                   met("m1", {email("carol@x.org")}, "Carol", 1),
                                   met("m2", {email("bob@x.org")}, "Bob", 3)};
  Book book;
  ASSERT_TRUE(meet(book, day));
  const Book once = book;
  EXPECT_FALSE(meet(book, day)) << "a refresh of the same calendar must not write";
  EXPECT_EQ(book, once);

  // The same meeting read with a name the calendar now gives: the name joins, nothing counts.
  EXPECT_TRUE(meet(book, {met("m1", {email("bob@x.org"), name("Bob Leroy")}, "Bob Leroy", 1)}));
  EXPECT_TRUE(find(book, "email:bob@x.org")->aliases.contains(name("Bob Leroy")));
  EXPECT_EQ(find(book, "email:bob@x.org")->links.sharedMeetings, 2);

  // Worth nothing, or without an id: the person is known, nothing is counted.
  Encounter idle = met("m3", {email("dan@x.org")}, "Dan", 4);
  idle.contribution.sharedMeetings = 0;
  Encounter anonymous = met("m4", {email("eve@x.org")}, "Eve", 4);
  anonymous.contribution.id.clear();
  EXPECT_TRUE(meet(book, {idle, anonymous}));
  EXPECT_EQ(book.inhabitants.size(), 4u);
  EXPECT_EQ(book.ledger.size(), 3u);
  EXPECT_EQ(find(book, "email:dan@x.org")->links, LienTally{});
}

TEST(InhabitantBook, TwoMachinesConvergeOnTheUnionAndASharedMeetingCountsOnce) {
  Book laptop, desktop;
  // Both saw the Monday meeting with Bob; each met someone the other did not.
  meet(laptop, {met("monday", {email("bob@x.org"), name("Bob")}, "Bob", 1),
                met("lunch", {email("carol@x.org")}, "Carol", 2)});
  meet(desktop, {met("monday", {email("bob@x.org"), name("Bob")}, "Bob", 1),
                 met("review", {email("bob@x.org")}, "Bob", 3),
                 met("call", {email("dan@y.org")}, "dan@y.org", 4)});

  const Book one = merged(laptop, desktop);
  const Book two = merged(desktop, laptop);
  EXPECT_EQ(one, two);
  EXPECT_EQ(people(one),
            (std::map<std::set<AliasKey>, LienTally>{{{email("bob@x.org"), name("bob")}, {2, 0, 0}},
                                                     {{email("carol@x.org")}, {1, 0, 0}},
                                                     {{email("dan@y.org")}, {1, 0, 0}}}));
  EXPECT_EQ(one.ledger.size(), 4u);
  // Each machine takes in the merged book and has nothing more to add.
  EXPECT_EQ(merged(laptop, one), one);
  EXPECT_EQ(merged(one, desktop), one);
  EXPECT_EQ(merged(one, one), one);
}

TEST(InhabitantBook, OnePersonKnownUnderTwoIdsBecomesOneWithEverythingBothKnew) {
  Book laptop, desktop;
  meet(laptop, {met("m1", {name("Zoé Durand")}, "Zoé Durand", 10, Kind::colleague)});
  meet(desktop, {met("m2", {email("zoe@corp.fr"), name("zoe durand")}, "zoe@corp.fr", 2),
                 met("m3", {email("zoe@corp.fr")}, "zoe@corp.fr", 20)});
  ASSERT_EQ(rename(laptop, "name:zoe durand", "  Zouzou "), std::nullopt);

  const Book here = merged(laptop, desktop);
  EXPECT_EQ(only(here).id, "name:zoe durand") << "each machine keeps the id its user knows";
  const Book there = merged(desktop, laptop);
  EXPECT_EQ(only(there).id, "email:zoe@corp.fr");
  for (const Book& book : {here, there}) {
    const Inhabitant& zoe = only(book);
    EXPECT_EQ(zoe.aliases, (std::set{email("zoe@corp.fr"), name("zoe durand")}));
    EXPECT_EQ(zoe.pseudo, "Zouzou") << "the user's name stays";
    EXPECT_EQ(zoe.displayName, "Zoé Durand") << "a name before an address";
    EXPECT_EQ(zoe.kind, Kind::colleague);
    EXPECT_EQ(zoe.firstSeenISO, "2026-12-07T11:00:00Z");
    EXPECT_EQ(zoe.lastSeenISO, "2026-12-08T05:00:00Z");
    EXPECT_EQ(zoe.links, (LienTally{3, 0, 0}));
    EXPECT_EQ(book.nameVersions.at(zoe.id), 1);
  }
}

TEST(InhabitantBook, OfTwoNamesTheUserGaveTheLaterDecisionWins) {
  Book base;
  meet(base, {met("m1", {email("bob@x.org")}, "Bob", 1)});
  const std::string bob = "email:bob@x.org";
  Book laptop = base, desktop = base;
  rename(laptop, bob, "Bobby");
  rename(desktop, bob, "Robert");
  // The same decision count on both sides: the first name in text order, whichever side merges.
  EXPECT_EQ(merged(laptop, desktop).inhabitants[0].pseudo, "Bobby");
  EXPECT_EQ(merged(desktop, laptop).inhabitants[0].pseudo, "Bobby");

  // The desktop, having seen "Bobby", names him again: that decision is the later one.
  desktop = merged(desktop, laptop);
  rename(desktop, bob, "Robert");
  EXPECT_EQ(merged(laptop, desktop).inhabitants[0].pseudo, "Robert");
  EXPECT_EQ(merged(desktop, laptop).inhabitants[0].pseudo, "Robert");
}

TEST(InhabitantBook, RenamingTrimsAndRefusesWhatCannotBeShown) {
  Book book;
  meet(book, {met("m1", {email("bob@x.org")}, "Bob", 1)});
  EXPECT_EQ(rename(book, "email:bob@x.org", " \t "), (Refusal{Refusal::Reason::emptyName, ""}));
  EXPECT_EQ(rename(book, "email:bob@x.org", "Bob\x1b[31m"),
            (Refusal{Refusal::Reason::controlCharacters, "Bob\x1b[31m"}));
  EXPECT_EQ(rename(book, "email:nobody@x.org", "Bob"),
            (Refusal{Refusal::Reason::unknownInhabitant, "email:nobody@x.org"}));
  EXPECT_EQ(book.version, 0) << "a refused name is no decision";
  EXPECT_EQ(only(book).pseudo, std::nullopt);

  EXPECT_EQ(rename(book, "email:bob@x.org", " Bob l'Éponge\n"), std::nullopt);
  EXPECT_EQ(only(book).pseudo, "Bob l'Éponge");
  EXPECT_EQ(shownName(only(book)), "Bob l'Éponge");
  EXPECT_EQ(book.version, 1);
}

TEST(InhabitantBook, MergingTwoInhabitantsMovesKeysAndEntriesAndOtherMachinesFollow) {
  Book book;
  meet(book, {met("m1", {email("ann@work.com")}, "Ann", 1),
              met("m2", {email("ann@home.net")}, "ann@home.net", 2),
              met("m3", {email("ann@home.net")}, "ann@home.net", 3)});
  const Book elsewhere = book;  // another machine, still keeping them apart
  rename(book, "email:ann@home.net", "Annie");

  EXPECT_EQ(mergeInhabitants(book, "email:ann@work.com", "email:ann@work.com"),
            (Refusal{Refusal::Reason::sameInhabitant, "email:ann@work.com"}));
  EXPECT_EQ(mergeInhabitants(book, "email:ann@work.com", "email:x@y.z"),
            (Refusal{Refusal::Reason::unknownInhabitant, "email:x@y.z"}));
  EXPECT_EQ(mergeInhabitants(book, "email:x@y.z", "email:ann@work.com"),
            (Refusal{Refusal::Reason::unknownInhabitant, "email:x@y.z"}));
  EXPECT_EQ(book.inhabitants.size(), 2u);

  ASSERT_EQ(mergeInhabitants(book, "email:ann@work.com", "email:ann@home.net"), std::nullopt);
  const Inhabitant& ann = only(book);
  EXPECT_EQ(ann.id, "email:ann@work.com");
  EXPECT_EQ(ann.aliases, (std::set{email("ann@work.com"), email("ann@home.net")}));
  EXPECT_EQ(ann.links, (LienTally{3, 0, 0}));
  EXPECT_EQ(ann.pseudo, "Annie");
  for (const Entry& e : book.ledger) EXPECT_EQ(e.inhabitantID, "email:ann@work.com");

  const Book converged = merged(elsewhere, book);
  EXPECT_EQ(people(converged), people(book));
  EXPECT_EQ(only(converged).pseudo, "Annie");
  EXPECT_EQ(only(converged).displayName, "Ann");
  EXPECT_EQ(merged(book, elsewhere), book) << "the merging machine has nothing to take in";
}

// Entries 0…count-1 with Bob, one an hour from `from`.
std::vector<Encounter> meetings(int from, int count) {
  std::vector<Encounter> out;
  for (int n = from; n < from + count; ++n) {
    out.push_back(met("m" + std::to_string(n), {email("bob@x.org")}, "Bob", n));
  }
  return out;
}

TEST(InhabitantBook, AFullLedgerDropsItsOldestEntriesButNotWhatTheyEarned) {
  Book book;
  meet(book, meetings(0, int(LEDGER_LIMIT) + 2));
  EXPECT_EQ(book.ledger.size(), LEDGER_LIMIT);
  EXPECT_EQ(book.ledger.front().id, "meeting:m2:bob@x.org");
  EXPECT_EQ(book.settled.at("email:bob@x.org"), (LienTally{2, 0, 0}));
  EXPECT_EQ(only(book).links.sharedMeetings, int64_t(LEDGER_LIMIT) + 2);

  // A meeting older than the whole ledger was counted and folded (or is too old): not again.
  EXPECT_FALSE(meet(book, meetings(0, 2)));
  EXPECT_EQ(only(book).links.sharedMeetings, int64_t(LEDGER_LIMIT) + 2);
  // A newer one still counts, and pushes the oldest kept entry out.
  EXPECT_TRUE(meet(book, meetings(int(LEDGER_LIMIT) + 2, 1)));
  EXPECT_EQ(only(book).links.sharedMeetings, int64_t(LEDGER_LIMIT) + 3);
  EXPECT_EQ(book.ledger.size(), LEDGER_LIMIT);
}

TEST(InhabitantBook, AMachineThatFoldedOldEntriesAndOneThatKeptThemCountThemOnce) {
  Book behind;  // still holds the first meetings in its ledger
  meet(behind, meetings(0, 10));
  Book ahead;  // met all of them and many more, folding the first ones
  meet(ahead, meetings(0, int(LEDGER_LIMIT) + 10));
  const int64_t total = int64_t(LEDGER_LIMIT) + 10;
  EXPECT_EQ(only(merged(behind, ahead)).links.sharedMeetings, total);
  EXPECT_EQ(only(merged(ahead, behind)).links.sharedMeetings, total);

  // A newer meeting the other machine saw pushes one more entry out: still counted once.
  Book other;
  meet(other, {met("elsewhere", {email("bob@x.org")}, "Bob", 100000)});
  EXPECT_EQ(only(merged(ahead, other)).links.sharedMeetings, total + 1);
  EXPECT_EQ(only(merged(other, ahead)).links.sharedMeetings, total + 1);
}

TEST(InhabitantBook, JsonRoundTripsDerivesTalliesAndRefusesRepeatedIds) {
  Book book;
  meet(book, {met("m1", {email("bob@x.org"), name("Bob")}, "Bob", 1),
              met("m2", {email("carol@x.org")}, "Carol", 2)});
  rename(book, "email:bob@x.org", "Bobby");
  const Json j = json_coding::encode(book);
  EXPECT_EQ(decodeJsonText<Book>(j.dump()), book);
  EXPECT_EQ(j["ledger"][0]["inhabitantID"], "email:bob@x.org");
  EXPECT_EQ(j["nameVersions"]["email:bob@x.org"], 1);

  // A tally written in the file is not trusted: the ledger says what was earned.
  Json inflated = j;
  inflated["inhabitants"][0]["links"]["sharedMeetings"] = 900;
  EXPECT_EQ(decodeJsonText<Book>(inflated.dump()), book);

  Json twice = j;
  twice["inhabitants"][1]["id"] = twice["inhabitants"][0]["id"];
  try {
    decodeJsonText<Book>(twice.dump());
    FAIL() << "two inhabitants with one id decoded";
  } catch (const DecodeError& e) {
    EXPECT_EQ(e.path(), "inhabitants[1].id");
  }
  Json noLedger = j;
  noLedger.erase("ledger");
  EXPECT_THROW(decodeJsonText<Book>(noLedger.dump()), DecodeError);
}

TEST(InhabitantBook, OffersFindTheirGiverUnderAnyNameTheBookKnows) {
  Book book;
  meet(book, {met("m1", {email("ann@work.com"), name("Ann Lee")}, "Ann Lee", 1)});
  rename(book, "email:ann@work.com", "Annie");
  QuestOffers::Offer byName;
  byName.id = "invite:a";
  byName.giver = "ANN LEE";
  QuestOffers::Offer byAddress;
  byAddress.id = "invite:b";
  byAddress.giverEmail = "Ann@Work.com";
  QuestOffers::Offer stranger;
  stranger.id = "invite:c";
  stranger.giver = "Someone";
  const auto assignment =
      QuestOfferGivers::assign({byName, byAddress, stranger}, actors(book), aliases(book));
  ASSERT_EQ(assignment.byActor.count("email:ann@work.com"), 1u);
  EXPECT_EQ(assignment.byActor.at("email:ann@work.com").size(), 2u);
  ASSERT_EQ(assignment.orphans.size(), 1u);
  EXPECT_EQ(assignment.orphans[0].id, "invite:c");
  EXPECT_EQ(actors(book)[0].name, "Annie");
}

}  // namespace
}  // namespace talewick
