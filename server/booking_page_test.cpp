#include "server/booking_page.hpp"

#include <gtest/gtest.h>

namespace talewick::server::booking_page {
namespace {

const std::string kHostile = R"(<script>alert(1)</script>"><img src=x onerror=alert(2)>)";

Opening hostileOpening() {
  Opening opening;
  opening.id = "o1";
  opening.publicId = "p1";
  opening.title = "Café " + kHostile;
  opening.durationMin = 90;
  opening.approval = "manual";
  opening.conference = kHostile;
  return opening;
}

int count(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(BookingPage, EscapesEverythingTheOwnerOrAVisitorTyped) {
  const openings::BookingForm kept{"2026-12-10T09:00:00+01:00", kHostile, kHostile + "@x.org",
                                   "</textarea>" + kHostile};
  const std::string page =
      formPage(hostileOpening(), {"2026-12-10T09:00:00+01:00"}, kept, "Indiquez votre nom.");
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("<img"), std::string::npos);
  EXPECT_EQ(count(page, "</textarea>"), 1) << "the note cannot close its own box";
  // title element, heading, conference, name, e-mail and note: each shown, escaped.
  EXPECT_EQ(count(page, "&lt;script&gt;alert(1)&lt;/script&gt;&quot;&gt;&lt;img"), 6) << page;
  EXPECT_NE(page.find("Indiquez votre nom."), std::string::npos);

  Booking booking{
      "b1",      "o1", "2026-12-10T09:00:00+01:00", kHostile, kHostile + "@x.org", kHostile,
      "pending", 0};
  const std::string confirmation = confirmationPage(hostileOpening(), booking);
  EXPECT_EQ(confirmation.find("<script"), std::string::npos);
  EXPECT_EQ(confirmation.find("<img"), std::string::npos);
  EXPECT_EQ(missingPage().find("<form"), std::string::npos);
}

TEST(BookingPage, GroupsTheFreeSlotsByTheDayTheirOffsetGives) {
  Opening opening = hostileOpening();
  opening.title = "Entretien";
  opening.conference = "";
  // 23:30 UTC on the 14th is already Tuesday the 15th in Paris: the slot's own offset decides.
  const std::vector<std::string> slots = {"2026-12-14T09:00:00+01:00", "2026-12-14T09:30:00+01:00",
                                          "2026-12-15T00:30:00+01:00", "2026-06-15T09:00:00Z"};
  const std::string page = formPage(opening, slots, {"", "", "", ""});
  EXPECT_EQ(count(page, "<fieldset>"), 3);
  const std::size_t monday = page.find("lundi 14 décembre 2026 <small>(UTC+01:00)</small>");
  const std::size_t tuesday = page.find("mardi 15 décembre 2026 <small>(UTC+01:00)</small>");
  const std::size_t june = page.find("lundi 15 juin 2026 <small>(UTC)</small>");
  ASSERT_NE(monday, std::string::npos) << page;
  ASSERT_NE(tuesday, std::string::npos) << page;
  ASSERT_NE(june, std::string::npos) << page;
  EXPECT_LT(page.find(">09:30</label>"), tuesday);
  EXPECT_GT(page.find(">00:30</label>"), tuesday);
  EXPECT_EQ(count(page, "type=\"radio\" name=\"slot\" required"), 4);
  EXPECT_NE(page.find("value=\"2026-12-15T00:30:00+01:00\""), std::string::npos);
  EXPECT_NE(page.find("Durée : 1 h 30"), std::string::npos);
  EXPECT_NE(page.find("Demander ce créneau"), std::string::npos);
  EXPECT_EQ(page.find(" checked"), std::string::npos);
  // No script, no outside resource: the page works alone.
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("http"), std::string::npos);

  const std::string kept = formPage(opening, slots, {"2026-12-14T09:30:00+01:00", "", "", ""});
  EXPECT_NE(kept.find("value=\"2026-12-14T09:30:00+01:00\" checked"), std::string::npos);

  opening.approval = "auto";
  EXPECT_NE(formPage(opening, slots).find(">Réserver</button>"), std::string::npos);
  const std::string full = formPage(opening, {});
  EXPECT_EQ(full.find("<form"), std::string::npos);
  EXPECT_NE(full.find("Aucun créneau"), std::string::npos);
}

TEST(BookingPage, ConfirmsOrSaysTheRequestWaits) {
  Opening opening = hostileOpening();
  Booking booking{"b1",        "o1", "2026-12-14T09:30:00+01:00", "Ada", "ada@example.org", "",
                  "confirmed", 0};
  EXPECT_NE(confirmationPage(opening, booking)
                .find("Rendez-vous confirmé : lundi 14 décembre 2026 à 09:30."),
            std::string::npos);
  booking.status = "pending";
  const std::string waiting = confirmationPage(opening, booking);
  EXPECT_NE(waiting.find("Demande envoyée pour le lundi 14 décembre 2026 à 09:30"),
            std::string::npos);
  EXPECT_NE(waiting.find("ada@example.org"), std::string::npos);
}

}  // namespace
}  // namespace talewick::server::booking_page
