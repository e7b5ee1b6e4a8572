#include "platform/curl_http_client.hpp"

#include <gtest/gtest.h>

#include "tests/support/fake_backend.hpp"

namespace talewick {
namespace {

using testing::FakeBackend;

TEST(CurlHttpClient, SendsTheRequestAsGivenAndReturnsAnyStatusAsAnAnswer) {
  FakeBackend server;
  server.answer("PATCH", "/api/things/7", {201, R"({"ok": true})", "application/json"});
  CurlHttpClient client;
  const HttpResponse created = client.send({"PATCH",
                                            server.url() + "/api/things/7",
                                            {{"authorization", "Bearer abc"}, {"x-extra", "1"}},
                                            R"({"name": "Été"})",
                                            std::chrono::seconds(5)});
  EXPECT_EQ(created.status, 201);
  EXPECT_EQ(created.body, R"({"ok": true})");
  EXPECT_EQ(created.header("content-type"), "application/json");
  ASSERT_EQ(server.received().size(), 1u);
  const FakeBackend::Received sent = server.received().front();
  EXPECT_EQ(sent.body, R"({"name": "Été"})");
  EXPECT_EQ(sent.headers.at("authorization"), "Bearer abc");
  EXPECT_EQ(sent.headers.at("x-extra"), "1");

  // An empty POST and a DELETE keep their methods; an unrouted path is a 404 answer, not a
  // failure of the call.
  server.answer("POST", "/empty", {204, "", "text/plain"});
  EXPECT_EQ(client.send({"POST", server.url() + "/empty", {}, "", std::chrono::seconds(5)}).status,
            204);
  EXPECT_EQ(client.send({"DELETE", server.url() + "/gone", {}, "", std::chrono::seconds(5)}).status,
            404);
  EXPECT_EQ(server.count("DELETE", "/gone"), 1);
}

TEST(CurlHttpClient, NeitherFollowsRedirectsNorTakesMoreThanItsLimit) {
  FakeBackend server;
  // Sent back as is: the client never goes where an answer points.
  server.answer("GET", "/moved", {302, "", "text/plain"});
  server.answer("GET", "/big", {200, std::string(4096, 'x'), "text/plain"});
  CurlHttpClient client(1024);
  EXPECT_EQ(client.send({"GET", server.url() + "/moved", {}, "", std::chrono::seconds(5)}).status,
            302);
  EXPECT_THROW(client.send({"GET", server.url() + "/big", {}, "", std::chrono::seconds(5)}),
               HttpTransportError);
}

TEST(CurlHttpClient, ACallWithoutAnAnswerFailsWithThePlatformsMessage) {
  std::string refusedURL;
  {
    FakeBackend gone;
    refusedURL = gone.url() + "/api";
  }  // nothing listens on its port any more
  FakeBackend server;
  server.neverAnswer("GET", "/silent");
  CurlHttpClient client;
  for (const std::string& url : {refusedURL, server.url() + "/silent"}) {
    try {
      client.send({"GET", url, {}, "", std::chrono::milliseconds(300)});
      ADD_FAILURE() << url << " answered";
    } catch (const HttpTransportError& e) {
      EXPECT_FALSE(std::string(e.what()).empty());
    }
  }
  // Nor is anything but http(s) spoken.
  EXPECT_THROW(client.send({"GET", "file:///etc/passwd", {}, "", std::chrono::seconds(1)}),
               HttpTransportError);
}

}  // namespace
}  // namespace talewick
