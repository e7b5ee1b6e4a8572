// The connected services' items as a user meets them on the command line: listed by `pipeline`,
// shown by the day and the kingdom without a call, completed once with the hero paid once, set
// out for on an expedition, and a Google invitation's answer shown until Google lists it.
#include <gtest/gtest.h>

#include <fstream>

#include "pipeline/google_calendar_cache.hpp"
#include "pipeline/integration_wire.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

using IntegrationWire::Item;

Date at(const char* iso) { return decodeJsonText<Date>(std::string("\"") + iso + "\""); }

Item task(const std::string& id, const std::string& title) {
  Item item;
  item.id = id;
  item.provider = "todoist";
  item.providerItemId = id.substr(id.find(':') + 1);
  item.kind = "task";
  item.title = title;
  item.status = "open";
  item.sourceLabel = "Todoist";
  item.placements = {"sideQuests", "kingdom.tickets"};
  item.platformSupport.emplace();
  item.platformSupport->macOS.sideQuestList = true;
  item.rpg = {"tickets", "📌", "medium", 30, 9};
  item.actions = {{"complete", "POST", "api/integrations/items/" + id + "/complete", "Terminer"},
                  {"delete", "DELETE", "api/integrations/items/" + id, "Supprimer"}};
  return item;
}

// `myResponse`: the meeting is an invitation received, answered so at Google.
std::string answer(std::vector<Item> items, std::optional<std::string> myResponse = std::nullopt) {
  Item meeting;
  meeting.id = "google-calendar:e1";
  meeting.provider = "google-calendar";
  meeting.providerItemId = "e1";
  meeting.kind = "calendar";
  meeting.title = "Revue trimestrielle";
  meeting.status = "scheduled";
  meeting.startsAt = at("2026-12-09T15:00:00+01:00");
  meeting.placements = {"calendar.grid"};
  meeting.calendarEvent.emplace();
  meeting.calendarEvent->calendarId = "work";
  meeting.calendarEvent->eventId = "e1";
  meeting.calendarEvent->myResponseStatus = std::move(myResponse);
  items.push_back(meeting);
  IntegrationWire::Response response;
  response.items = std::move(items);
  response.errors = {{"notion", "Notion injoignable\x1b[31m"}};
  response.syncedAt = at("2026-12-09T08:00:00Z");
  return IntegrationWire::encodeResponse(response);
}

class PipelineCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00");
    fake.answer("POST", "/api/register", {200, R"({"userId":"u1","apiKey":"la-cle"})"});
    ASSERT_EQ(testing::runCli({"backend", fake.url(), "--secret", std::string(64, 'a')}).status, 0);
  }
  void TearDown() override { testing::forgetCommandHome(); }

  testing::TempFolder home{"pipeline-command"};
  testing::FakeBackend fake;
};

TEST_F(PipelineCommands, ItemsAreListedShownByTheDayAndTheKingdomAndCompletedOnce) {
  fake.answer(
      "GET", "/api/integrations/pipeline",
      {200, answer({task("todoist:1", "Envoyer le devis"), task("todoist:2", "Relancer")})});
  fake.answer("POST", "/api/integrations/items/todoist:1/complete", {200, "{}"});

  const testing::CliResult listed = testing::runCli({"pipeline"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_NE(listed.out.find("Envoyer le devis"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("[todoist:1]"), std::string::npos);
  EXPECT_NE(listed.out.find("+30 XP, +9 or"), std::string::npos);
  EXPECT_NE(listed.out.find("notion : Notion injoignable"), std::string::npos);
  EXPECT_EQ(listed.out.find('\x1b'), std::string::npos)
      << "a service's text never drives the terminal";

  // The day and the kingdom read the kept answer: no call of their own.
  const int calls = fake.count("GET", "/api/integrations/pipeline");
  const testing::CliResult today = testing::runCli({"today"});
  EXPECT_NE(today.out.find("15:00"), std::string::npos) << today.out << today.err;
  EXPECT_NE(today.out.find("[integration:google-calendar:e1]"), std::string::npos) << today.out;
  const Json kingdom = testing::runCliJson({"kingdom", "--json"});
  std::vector<std::string> tickets;
  for (const Json& item : kingdom["realms"]["tickets"]) tickets.push_back(item["id"]);
  EXPECT_EQ(tickets, (std::vector<std::string>{"todoist:1", "todoist:2"})) << kingdom.dump();
  EXPECT_EQ(fake.count("GET", "/api/integrations/pipeline"), calls);

  const testing::CliResult done = testing::runCli({"pipeline", "done", "todoist:1"});
  ASSERT_EQ(done.status, 0) << done.err;
  EXPECT_NE(done.out.find("+30 XP, +9 or — Envoyer le devis"), std::string::npos) << done.out;
  const int64_t xp = testing::runCliJson({"hero", "--json"})["hero"]["totalXp"].get<int64_t>();
  // The service still lists it for a while: it stays done here, and is neither sent nor paid
  // twice.
  const testing::CliResult again = testing::runCli({"pipeline", "done", "todoist:1"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find("Déjà fait"), std::string::npos) << again.out;
  EXPECT_EQ(fake.count("POST", "/api/integrations/items/todoist:1/complete"), 1);
  EXPECT_EQ(testing::runCliJson({"hero", "--json"})["hero"]["totalXp"].get<int64_t>(), xp);
  EXPECT_EQ(testing::runCli({"pipeline"}).out.find("[todoist:1]"), std::string::npos);
  tickets.clear();
  const Json after = testing::runCliJson({"kingdom", "--json"});
  for (const Json& item : after["realms"]["tickets"]) tickets.push_back(item["id"]);
  EXPECT_EQ(tickets, std::vector<std::string>{"todoist:2"});

  EXPECT_EQ(testing::runCli({"pipeline", "done", "todoist:9"}).status, 2);
  // Deleting at a service asks first; without a person to ask, --yes is needed.
  EXPECT_EQ(testing::runCli({"pipeline", "delete", "todoist:2"}).status, 2);
  EXPECT_EQ(fake.count("DELETE", "/api/integrations/items/todoist:2"), 0);

  // A ticket is a piece of work to set out for, with its reward.
  const testing::CliResult expedition = testing::runCli({"expedition", "start", "todoist:2"});
  ASSERT_EQ(expedition.status, 0) << expedition.err;
  EXPECT_NE(expedition.out.find("« Relancer »"), std::string::npos) << expedition.out;
  EXPECT_NE(expedition.out.find("+30 XP, +9 or"), std::string::npos) << expedition.out;
}

TEST_F(PipelineCommands, ABackendAwayKeepsTheLastAnswerAndSaysWhy) {
  const testing::CliResult none = testing::runCli({"pipeline"});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("Pipeline : "), std::string::npos) << none.err;

  fake.answer("GET", "/api/integrations/pipeline", {200, answer({task("todoist:1", "Devis")})});
  ASSERT_EQ(testing::runCli({"pipeline"}).status, 0);
  fake.answer("GET", "/api/integrations/pipeline", {503, R"({"error":"En maintenance"})"});
  const testing::CliResult away = testing::runCli({"pipeline"});
  EXPECT_EQ(away.status, 0);
  EXPECT_NE(away.err.find("Pipeline : En maintenance"), std::string::npos) << away.err;
  EXPECT_NE(away.out.find("Devis"), std::string::npos) << away.out;
  const Json json = testing::runCliJson({"pipeline", "--json"});
  EXPECT_EQ(json["response"]["items"][0]["id"], "todoist:1");
  EXPECT_EQ(json["statusLine"], "Pipeline : En maintenance");
}

TEST(PipelineRules, TheItemsRulesAnswerThroughRules) {
  testing::TempFolder home("pipeline-rules");
  testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00");
  const Json item = Json::parse(answer({}))["items"][0];
  const auto rule = [](const char* name, const Json& arguments) {
    const testing::CliResult r = testing::runCli({"rules", name}, arguments.dump());
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    return Json::parse(r.out);
  };
  const Json event = rule("IntegrationPipelineItem.asCalendarDayEvent", {{"item", item}});
  EXPECT_EQ(event["id"], "integration:google-calendar:e1");
  EXPECT_EQ(rule("IntegrationPipelineItem.matchesCalendarQuestContent",
                 {{"item", item}, {"title", "Revue trimestrielle"}, {"start", event["startDate"]}}),
            true);
  EXPECT_EQ(
      rule("IntegrationPipelineStore.calendarItems",
           {{"items", {item}},
            {"in", {{"start", "2026-12-09T00:00:00+01:00"}, {"end", "2026-12-10T00:00:00+01:00"}}},
            {"hiddenCalendarIDs", {"integration:google-calendar:work"}}}),
      Json::array());
  EXPECT_EQ(rule("TalewickIntegrationPipelineClient.actionURL",
                 {{"href", "https://evil.example/x"}, {"root", "https://api.example.org"}}),
            Json(nullptr));
  EXPECT_EQ(rule("IntegrationPipelineStore.completionErrorMessage",
                 {{"for", item}, {"status", 502}, {"backendMessage", "Google injoignable"}}),
            "Google injoignable");
  EXPECT_EQ(
      testing::runCli({"rules", "IntegrationPipelineItem.asCalendarDayEvent"}, R"({"item":1})")
          .status,
      2);
  testing::forgetCommandHome();
}

TEST_F(PipelineCommands, AnInvitationShowsTheAnswerSentUntilGoogleListsIt) {
  const std::string quest = "integration:google-calendar:e1";
  Json preferences = Json::parse(std::ifstream(home / "defaults.json"));
  preferences["invite-rsvp.responded.v1"] = {
      {GoogleCalendar::occurrenceKey(quest, at("2026-12-09T15:00:00+01:00")), "accepted"}};
  std::ofstream(home / "defaults.json") << preferences.dump();
  for (const char* listed : {"needsAction", "accepted"}) {
    fake.answer("GET", "/api/integrations/pipeline", {200, answer({}, listed)});
    ASSERT_EQ(testing::runCli({"pipeline"}).status, 0);
    const testing::CliResult shown = testing::runCli({"quest", quest});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out.find("Réponse envoyée : accepte") != std::string::npos,
              std::string(listed) == "needsAction")
        << listed << "\n"
        << shown.out;
  }
}

}  // namespace
}  // namespace talewick::ui
