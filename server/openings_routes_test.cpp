// Booking links through the whole server, on both storage engines: the owner's calls under a
// key, and the public page a visitor books from.
#include "server/openings_routes.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <sstream>
#include <thread>

#include "server/api.hpp"
#include "server/crypto.hpp"
#include "server/storage_engines_testing.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;

const std::string kSignupSecret(64, 'c');
// Far enough ahead to stay to come, whatever day the test runs.
const std::string kNine = "2099-12-10T09:00:00+01:00";
const std::string kTen = "2099-12-10T10:00:00+01:00";
const std::string kPast = "2020-12-10T09:00:00+01:00";

struct Answer {
  int status = 0;
  std::string type, text;
  json body() const { return json::parse(text, nullptr, false); }
};

std::string formBody(const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string body;
  for (const auto& [key, value] : fields) {
    body += (body.empty() ? "" : "&") + key + "=" + httplib::detail::encode_query_param(value);
  }
  return body;
}

class OpeningsRoutesTest : public ::testing::TestWithParam<testing::Engine> {
 protected:
  OpeningsRoutesTest() {
    config_.publicBaseURL = "https://rdv.example.org";
    config_.signupSecret = kSignupSecret;
    config_.tokenKey = std::string(64, 'd');
    api_.mount(server_);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
    if (!client_->Get("/health")) ADD_FAILURE() << "the server does not answer";
  }
  ~OpeningsRoutesTest() override {
    server_.stop();
    thread_.join();
  }

  Answer send(const std::string& method, const std::string& path, const std::string& key = "",
              const std::string& body = "", const std::string& type = "application/json") {
    return send(*client_, method, path, key, body, type);
  }
  static Answer send(httplib::Client& client, const std::string& method, const std::string& path,
                     const std::string& key, const std::string& body, const std::string& type) {
    httplib::Headers headers;
    if (!key.empty()) headers.emplace("authorization", "Bearer " + key);
    httplib::Result result = method == "GET"     ? client.Get(path, headers)
                             : method == "PATCH" ? client.Patch(path, headers, body, type)
                                                 : client.Post(path, headers, body, type);
    if (!result) return {};
    return {result->status, result->get_header_value("content-type"), result->body};
  }

  std::string registerUser() {
    httplib::Result result =
        client_->Post("/api/register", {{"x-signup-secret", kSignupSecret}}, "", "");
    EXPECT_TRUE(result && result->status == 200);
    return result ? json::parse(result->body).value("apiKey", "") : "";
  }

  struct Published {
    std::string id, url, page;  // page: the path of the public page
  };
  Published publish(const std::string& key, const std::string& approval,
                    const std::vector<std::string>& slots = {kNine, kTen, kPast}) {
    const Answer answer = send("POST", "/api/openings", key,
                               json{{"title", "Café <b>"},
                                    {"durationMin", 30},
                                    {"approval", approval},
                                    {"conference", ""},
                                    {"slots", slots}}
                                   .dump());
    EXPECT_EQ(answer.status, 200) << answer.text;
    const json body = answer.body();
    Published published{body.value("id", ""), body.value("url", ""), ""};
    const std::string base = config_.publicBaseURL;
    if (published.url.starts_with(base)) published.page = published.url.substr(base.size());
    return published;
  }

  Answer book(const std::string& page, const std::string& slot, const std::string& name = "Ada",
              const std::string& email = "ada@example.org") {
    return send("POST", page, "",
                formBody({{"slot", slot}, {"name", name}, {"email", email}, {"note", "Merci"}}),
                "application/x-www-form-urlencoded");
  }

  json bookings(const std::string& key, const std::string& id) {
    const Answer answer = send("GET", "/api/openings/" + id + "/bookings", key);
    EXPECT_EQ(answer.status, 200) << answer.text;
    return answer.body()["bookings"];
  }

  talewick::testing::TempFolder folder_{"openings-routes"};
  Config config_;
  std::unique_ptr<Storage> storage_ =
      openStorage(*DatabaseLocation::parse(testing::newDatabaseUrl(GetParam(), folder_.path())));
  std::ostringstream logText_;
  Log log_{logText_};
  Api api_{config_, *storage_, log_};
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::unique_ptr<httplib::Client> client_;
};

TEST_P(OpeningsRoutesTest, PublishesUnderAnUnguessableLinkSeenByItsOwnerOnly) {
  const std::string owner = registerUser(), other = registerUser();
  const Published published = publish(owner, "manual");
  ASSERT_TRUE(published.page.starts_with("/b/")) << published.url;
  const std::string publicId = published.page.substr(3);
  EXPECT_TRUE(crypto::isHex(publicId, 32, true)) << publicId;
  EXPECT_EQ(published.url.find(published.id), std::string::npos);
  EXPECT_NE(publish(owner, "manual").page, published.page);
  EXPECT_EQ(bookings(owner, published.id), json::array());

  // Another user, an unknown id, no key.
  const std::string path = "/api/openings/" + published.id + "/bookings";
  const json confirm{{"bookingId", "x"}, {"status", "confirmed"}};
  for (const Answer& refused :
       {send("GET", path, other), send("PATCH", path, other, confirm.dump()),
        send("GET", "/api/openings/none/bookings", owner),
        send("GET", "/api/openings/" + publicId + "/bookings", owner)}) {
    EXPECT_EQ(refused.status, 404) << refused.text;
    EXPECT_TRUE(refused.body()["error"].is_string()) << refused.text;
  }
  EXPECT_EQ(send("GET", path).status, 401);
  EXPECT_EQ(send("POST", "/api/openings", "", json{{"title", "x"}}.dump()).status, 401);
}

TEST_P(OpeningsRoutesTest, RefusesBadPublishBodiesWithAReason) {
  const std::string owner = registerUser();
  json good{{"title", "Café"}, {"durationMin", 30}, {"approval", "auto"}, {"slots", {kNine}}};
  EXPECT_EQ(send("POST", "/api/openings", owner, good.dump()).status, 200);
  std::vector<json> bad(4, good);
  bad[0]["durationMin"] = 481;
  bad[1]["slots"] = {"lundi 9h"};
  bad[2]["approval"] = "yes";
  bad[3]["title"] = "";
  for (const json& body : bad) {
    const Answer answer = send("POST", "/api/openings", owner, body.dump());
    EXPECT_EQ(answer.status, 400) << body;
    EXPECT_FALSE(answer.body().value("error", "").empty()) << answer.text;
  }
  const Answer malformed = send("POST", "/api/openings", owner, "{\"title\": ");
  EXPECT_EQ(malformed.status, 400);
  EXPECT_TRUE(malformed.body()["error"].is_string());
  json huge = good;
  huge["title"] = std::string(MAX_BODY_BYTES, 'a');
  const Answer tooLarge = send("POST", "/api/openings", owner, huge.dump());
  EXPECT_EQ(tooLarge.status, 413);
  EXPECT_TRUE(tooLarge.body()["error"].is_string()) << tooLarge.text;
}

TEST_P(OpeningsRoutesTest, AVisitorAsksForASlotAndTheOwnerDecides) {
  const std::string owner = registerUser();
  const Published published = publish(owner, "manual");
  const Answer page = send("GET", published.page);
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.type, "text/html; charset=utf-8");
  EXPECT_NE(page.text.find("<h1>Café &lt;b&gt;</h1>"), std::string::npos) << page.text;
  EXPECT_NE(page.text.find("value=\"" + kNine + "\""), std::string::npos);
  EXPECT_EQ(page.text.find("value=\"" + kPast + "\""), std::string::npos) << "a past slot";

  // Refusals keep what was typed, escaped.
  const Answer noName = book(published.page, kNine, "", "<script>@x.org");
  EXPECT_EQ(noName.status, 400);
  EXPECT_NE(noName.text.find("Indiquez votre nom."), std::string::npos);
  EXPECT_NE(noName.text.find("value=\"&lt;script&gt;@x.org\""), std::string::npos);
  EXPECT_EQ(noName.text.find("<script"), std::string::npos);
  EXPECT_EQ(book(published.page, kNine, "Ada", "ada.example.org").status, 400);
  EXPECT_EQ(book(published.page, kPast).status, 409);
  EXPECT_EQ(book(published.page, "2099-12-10T11:00:00+01:00").status, 409) << "not offered";
  EXPECT_EQ(bookings(owner, published.id), json::array());

  const Answer booked = book(published.page, kNine);
  EXPECT_EQ(booked.status, 200) << booked.text;
  EXPECT_NE(booked.text.find("Demande envoyée"), std::string::npos);
  const Answer taken = book(published.page, kNine, "Bob", "bob@example.org");
  EXPECT_EQ(taken.status, 409);
  EXPECT_NE(taken.text.find("plus disponible"), std::string::npos);
  EXPECT_NE(taken.text.find("value=\"bob@example.org\""), std::string::npos);
  EXPECT_EQ(send("GET", published.page).text.find("value=\"" + kNine + "\""), std::string::npos);

  json list = bookings(owner, published.id);
  ASSERT_EQ(list.size(), 1u);
  json record = list[0];
  const std::string id = record.value("id", "");
  EXPECT_TRUE(record["createdAt"].is_string());
  record.erase("id");
  record.erase("createdAt");
  EXPECT_EQ(record, (json{{"slot", kNine},
                          {"name", "Ada"},
                          {"email", "ada@example.org"},
                          {"note", "Merci"},
                          {"status", "pending"}}));

  const std::string path = "/api/openings/" + published.id + "/bookings";
  EXPECT_EQ(send("PATCH", path, owner, json{{"bookingId", id}, {"status", "maybe"}}.dump()).status,
            400);
  EXPECT_EQ(send("PATCH", path, owner, json{{"status", "confirmed"}}.dump()).status, 400);
  EXPECT_EQ(send("PATCH", path, owner, json{{"bookingId", "nope"}, {"status", "confirmed"}}.dump())
                .status,
            404);
  const Answer confirmed =
      send("PATCH", path, owner, json{{"bookingId", id}, {"status", "confirmed"}}.dump());
  EXPECT_EQ(confirmed.status, 200) << confirmed.text;
  EXPECT_EQ(bookings(owner, published.id)[0]["status"], "confirmed");

  // Declined, the slot is offered again; the declined booking cannot take it back once rebooked.
  EXPECT_EQ(
      send("PATCH", path, owner, json{{"bookingId", id}, {"status", "declined"}}.dump()).status,
      200);
  EXPECT_NE(send("GET", published.page).text.find("value=\"" + kNine + "\""), std::string::npos);
  EXPECT_EQ(book(published.page, kNine, "Bob", "bob@example.org").status, 200);
  EXPECT_EQ(
      send("PATCH", path, owner, json{{"bookingId", id}, {"status", "confirmed"}}.dump()).status,
      409);
}

TEST_P(OpeningsRoutesTest, ConfirmsAtOnceWhenApprovalIsAutomatic) {
  const std::string owner = registerUser();
  const Published published = publish(owner, "auto");
  const Answer booked = book(published.page, kTen);
  EXPECT_EQ(booked.status, 200);
  EXPECT_NE(booked.text.find("Rendez-vous confirmé"), std::string::npos) << booked.text;
  EXPECT_EQ(bookings(owner, published.id)[0]["status"], "confirmed");
}

TEST_P(OpeningsRoutesTest, GivesASlotToOneOfTheVisitorsBookingItTogether) {
  const std::string owner = registerUser();
  const Published published = publish(owner, "auto");
  std::atomic<int> won = 0, refused = 0;
  std::vector<std::thread> visitors;
  for (int i = 0; i < 6; ++i) {
    visitors.emplace_back([&, i] {
      httplib::Client client("127.0.0.1", port_);
      const Answer answer = send(client, "POST", published.page, "",
                                 formBody({{"slot", kNine},
                                           {"name", "Visiteur " + std::to_string(i)},
                                           {"email", "v" + std::to_string(i) + "@example.org"}}),
                                 "application/x-www-form-urlencoded");
      if (answer.status == 200) ++won;
      if (answer.status == 409) ++refused;
    });
  }
  for (std::thread& visitor : visitors) visitor.join();
  EXPECT_EQ(won, 1);
  EXPECT_EQ(refused, 5);
  EXPECT_EQ(bookings(owner, published.id).size(), 1u);
}

TEST_P(OpeningsRoutesTest, AnswersAnUnknownLinkWithAPage) {
  for (const char* path : {"/b/0123456789abcdef0123456789abcdef", "/b/nothing"}) {
    const Answer page = send("GET", path);
    EXPECT_EQ(page.status, 404);
    EXPECT_EQ(page.type, "text/html; charset=utf-8");
    EXPECT_NE(page.text.find("Page introuvable"), std::string::npos);
    EXPECT_EQ(book(path, kNine).status, 404);
  }
}

TEST_P(OpeningsRoutesTest, GivesALinkOnTheAddressItWasReachedAtWithoutAPublicAddress) {
  config_.publicBaseURL = "";
  const std::string owner = registerUser();
  const Answer answer =
      send("POST", "/api/openings", owner,
           json{{"title", "Café"}, {"durationMin", 30}, {"approval", "auto"}, {"slots", {kNine}}}
               .dump());
  const std::string url = answer.body().value("url", "");
  EXPECT_TRUE(url.starts_with("http://127.0.0.1:" + std::to_string(port_) + "/b/")) << url;
}

INSTANTIATE_TEST_SUITE_P(Engines, OpeningsRoutesTest, testing::kEngines, testing::engineName);

}  // namespace
}  // namespace talewick::server
