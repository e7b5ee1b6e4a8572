#include "server/openings.hpp"

#include <gtest/gtest.h>

namespace talewick::server::openings {
namespace {

using nlohmann::json;

json validBody() {
  return {{"title", "  Café avec moi "},
          {"durationMin", 30},
          {"approval", "manual"},
          {"conference", "Salle 2"},
          {"slots", {"2026-12-10T09:00:00+01:00", "2026-12-10T08:00:00Z"}}};
}

// The refusal of `body` with `key` replaced by `value` (removed when null).
std::string refusalWith(const std::string& key, const json& value) {
  json body = validBody();
  if (value.is_null()) {
    body.erase(key);
  } else {
    body[key] = value;
  }
  auto read = readOpeningRequest(body);
  const auto* refusal = std::get_if<std::string>(&read);
  return refusal ? *refusal : "";
}

TEST(OpeningRequest, KeepsWhatAValidBodyAsks) {
  json body = validBody();
  body["slots"].push_back("2026-12-10T09:00:00+01:00");  // sent twice, kept once
  auto read = readOpeningRequest(body);
  ASSERT_TRUE(std::holds_alternative<OpeningRequest>(read)) << std::get<std::string>(read);
  const OpeningRequest& request = std::get<OpeningRequest>(read);
  EXPECT_EQ(request.title, "Café avec moi");
  EXPECT_EQ(request.durationMin, 30);
  EXPECT_EQ(request.approval, "manual");
  EXPECT_EQ(request.conference, "Salle 2");
  EXPECT_EQ(request.slots,
            (std::vector<std::string>{"2026-12-10T09:00:00+01:00", "2026-12-10T08:00:00Z"}));
  body.erase("conference");
  EXPECT_TRUE(std::holds_alternative<OpeningRequest>(readOpeningRequest(body)));
}

TEST(OpeningRequest, RefusesEachBadFieldWithItsName) {
  EXPECT_NE(std::get<std::string>(readOpeningRequest(json::array())), "");
  const std::vector<std::pair<std::string, json>> bad = {
      {"title", nullptr},
      {"title", "   "},
      {"title", 12},
      {"title", std::string(201, 'a')},
      {"title", "deux\nlignes"},
      {"durationMin", nullptr},
      {"durationMin", 4},
      {"durationMin", 481},
      {"durationMin", 30.5},
      {"durationMin", "30"},
      {"approval", "sometimes"},
      {"approval", nullptr},
      {"conference", 3},
      {"conference", std::string(501, 'c')},
      {"slots", nullptr},
      {"slots", json::array()},
      {"slots", "2026-12-10T09:00:00+01:00"},
      {"slots", {"2026-12-10T09:00:00"}},  // no offset: no instant
      {"slots", {"2026-12-10"}},
      {"slots", {"2026-13-10T09:00:00Z"}},
      {"slots", {"demain 9h"}},
      {"slots", {42}},
  };
  for (const auto& [key, value] : bad) {
    SCOPED_TRACE(key + " = " + value.dump());
    const std::string refusal = refusalWith(key, value);
    EXPECT_NE(refusal.find(key), std::string::npos) << refusal;
  }
  json many = json::array();
  for (std::size_t i = 0; i <= MAX_SLOTS; ++i) many.push_back("2026-12-10T09:00:00Z");
  EXPECT_NE(refusalWith("slots", many).find("slots"), std::string::npos);
}

TEST(OpeningSlots, ReadAsInstantsAndOfferOnlyWhatIsFreeAndToCome) {
  EXPECT_EQ(slotInstant("1970-01-01T01:00:00+01:00"), 0);
  EXPECT_EQ(slotInstant("2026-12-10T08:00:00Z"), slotInstant("2026-12-10T09:00:00+01:00"));
  EXPECT_EQ(slotInstant("2026-12-10T09:00:00.500+01:00"), slotInstant("2026-12-10T08:00:00Z"));
  EXPECT_EQ(slotInstant("2026-12-10T09:00:00"), std::nullopt);
  EXPECT_EQ(slotInstant("2026-12-10"), std::nullopt);

  const std::string a = "2026-12-10T10:00:00+01:00", b = "2026-12-10T08:30:00Z",
                    c = "2026-12-10T11:00:00+01:00", past = "2026-12-09T10:00:00+01:00";
  Opening opening;
  opening.id = "o1";
  opening.slots = {a, b, c, past};
  const std::int64_t now = *slotInstant("2026-12-10T00:00:00+01:00");
  const std::vector<Booking> bookings = {{"b1", "o1", a, "", "", "", "declined", 0},
                                         {"b2", "o1", c, "", "", "", "pending", 0}};
  // Earliest first whatever the offsets; a declined booking frees its slot.
  EXPECT_EQ(freeSlots(opening, bookings, now), (std::vector<std::string>{b, a}));
  EXPECT_EQ(freeSlots(opening, {}, *slotInstant(c)), std::vector<std::string>{});
}

TEST(BookingForm, DecodesTheBrowsersEncoding) {
  const BookingForm form = readBookingForm(
      "slot=2026-12-10T09%3A00%3A00%2B01%3A00&name=+Ana%C3%AFs+Dupont+&email=a%40b.fr"
      "&note=l%C3%A0+%3Cb%3E%0D%0Aok&name=second&extra=1&broken=%zz%4");
  EXPECT_EQ(form.slot, "2026-12-10T09:00:00+01:00");
  EXPECT_EQ(form.name, "Anaïs Dupont");
  EXPECT_EQ(form.email, "a@b.fr");
  EXPECT_EQ(form.note, "là <b>\r\nok");
  EXPECT_EQ(readBookingForm("").slot, "");
}

TEST(BookingForm, SaysWhatIsMissingOrWrong) {
  const BookingForm good{"2026-12-10T09:00:00+01:00", "Ada", "ada@example.org", "line\nline"};
  EXPECT_EQ(formProblem(good), std::nullopt);
  const auto problemWith = [&](auto change) {
    BookingForm form = good;
    change(form);
    return formProblem(form).value_or("");
  };
  EXPECT_NE(problemWith([](BookingForm& f) { f.slot = ""; }).find("créneau"), std::string::npos);
  EXPECT_NE(problemWith([](BookingForm& f) { f.name = ""; }).find("nom"), std::string::npos);
  EXPECT_NE(problemWith([](BookingForm& f) { f.email = ""; }).find("e-mail"), std::string::npos);
  for (const char* email : {"ada", "ada@", "@example.org", "ada@example", "a@b@c.org",
                            "ada @example.org", "ada@example.", "<a@b.org>"}) {
    SCOPED_TRACE(email);
    EXPECT_NE(problemWith([&](BookingForm& f) { f.email = email; }).find("valide"),
              std::string::npos);
  }
  EXPECT_NE(problemWith([](BookingForm& f) { f.name = std::string(201, 'n'); }), "");
  EXPECT_NE(problemWith([](BookingForm& f) { f.note = std::string(2001, 'n'); }), "");
  EXPECT_NE(problemWith([](BookingForm& f) { f.name = "Ada\x1b[31m"; }), "");
  EXPECT_NE(problemWith([](BookingForm& f) { f.name = "Ada\nBob"; }), "");
  EXPECT_NE(problemWith([](BookingForm& f) { f.note = "\xff\xfe"; }), "");
}

TEST(CleanText, AcceptsUtf8AndRefusesControlsAndBrokenSequences) {
  EXPECT_TRUE(cleanText("Zoë 日本 🎉", false));
  EXPECT_TRUE(cleanText("a\r\n\tb", true));
  EXPECT_FALSE(cleanText("a\nb", false));
  EXPECT_FALSE(cleanText(std::string("a\0b", 3), true));
  EXPECT_FALSE(cleanText("\x7f", true));
  EXPECT_FALSE(cleanText("\xc2\x85", true));          // NEL, a C1 control
  EXPECT_FALSE(cleanText("\xc0\xaf", true));          // overlong '/'
  EXPECT_FALSE(cleanText("\xed\xa0\x80", true));      // a lone surrogate
  EXPECT_FALSE(cleanText("\xf4\x90\x80\x80", true));  // past U+10FFFF
  EXPECT_FALSE(cleanText("\xe2\x82", true));          // cut short
}

}  // namespace
}  // namespace talewick::server::openings
