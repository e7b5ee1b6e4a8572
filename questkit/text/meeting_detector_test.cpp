// Meeting links found in event texts.
#include "text/meeting_detector.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace talewick {
namespace {

struct Found {
  const char* text;
  MeetingProvider provider;
  const char* url;
};

TEST(MeetingDetector, FindsEachProviderAndCleansTheLink) {
  using P = MeetingProvider;
  const Found cases[] = {
      {"Rejoindre : https://us02web.zoom.us/j/8123456789?pwd=Orion42", P::zoom,
       "https://us02web.zoom.us/j/8123456789?pwd=Orion42"},
      {"Le lien (https://zoom.us/j/123).", P::zoom, "https://zoom.us/j/123"},
      {"[https://acme.zoom.com/my/lea]!", P::zoom, "https://acme.zoom.com/my/lea"},
      {"HTTPS://ZOOM.US/j/77", P::zoom, "HTTPS://ZOOM.US/j/77"},
      {"meet.google.com/abc-defg-hij", P::meet, "https://meet.google.com/abc-defg-hij"},
      {"Par téléphone : https://tel.meet/abc-defg-hij?pin=12", P::meet,
       "https://tel.meet/abc-defg-hij?pin=12"},
      {"https://teams.microsoft.com/l/meetup-join/19%3ameeting_x%40thread.v2/0", P::teams,
       "https://teams.microsoft.com/l/meetup-join/19%3ameeting_x%40thread.v2/0"},
      {"teams.live.com/meet/9876;", P::teams, "https://teams.live.com/meet/9876"},
      {"https://guilde.webex.com/meet/jdoe", P::webex, "https://guilde.webex.com/meet/jdoe"},
      {"whereby.com/equipe-orion", P::whereby, "https://whereby.com/equipe-orion"},
      {"'https://www.whereby.com/salle'", P::whereby, "https://www.whereby.com/salle"},
      {"<a href=\"https://meet.jit.si/SalleDesHeros\">ici</a>", P::jitsi,
       "https://meet.jit.si/SalleDesHeros"},
      {"Appelle-moi : facetime-audio:+33612345678", P::facetime, "facetime-audio:+33612345678"},
      {"FaceTime (facetime:lea@example.com).", P::facetime, "facetime:lea@example.com"},
      // Characters a URL cannot carry as typed are percent-encoded.
      {"https://zoom.us/j/1?nom=Zoé|x", P::zoom, "https://zoom.us/j/1?nom=Zo%C3%A9%7Cx"},
      {"https://zoom.us/j/1?p=100%", P::zoom, "https://zoom.us/j/1?p=100%25"},
  };
  for (const Found& c : cases) {
    const auto link = MeetingDetector::detect(c.text);
    ASSERT_TRUE(link) << c.text;
    EXPECT_EQ(link->provider, c.provider) << c.text;
    EXPECT_EQ(link->url, c.url) << c.text;
  }
}

TEST(MeetingDetector, IgnoresLookAlikes) {
  for (const char* text :
       {"", "Rendez-vous au zoo", "zoom.us", "https://zoom.us/", "https://notzoom.us/j/1",
        "zoom.usa.com/j/1", "https://example.com/zoom", "meet.google.fr/abc",
        "facetime:", "facetime:.", "https://zoom.us/j/1\x01x"}) {
    EXPECT_FALSE(MeetingDetector::detect(text)) << text;
  }
}

TEST(MeetingDetector, WebMeetingsComeFirstInTableOrder) {
  // Zoom is tried before Teams whatever their places in the text; FaceTime comes last.
  EXPECT_EQ(MeetingDetector::detect("https://teams.live.com/meet/1 puis https://zoom.us/j/2"),
            (MeetingLink{MeetingProvider::zoom, "https://zoom.us/j/2"}));
  EXPECT_EQ(MeetingDetector::detect("facetime:+331 ou https://meet.jit.si/salle")->provider,
            MeetingProvider::jitsi);
}

TEST(MeetingDetector, ListsAndEventsGiveTheFirstTextWithALink) {
  const std::vector<std::optional<std::string>> texts{std::nullopt, "Salle 4",
                                                      "https://meet.jit.si/Orion", "zoom.us/j/9"};
  EXPECT_EQ(MeetingDetector::detect(texts)->provider, MeetingProvider::jitsi);
  EXPECT_FALSE(MeetingDetector::detect(std::vector<std::optional<std::string>>{}));

  DayEvent event;
  event.notes = "Lien : https://zoom.us/j/1";
  event.location = "whereby.com/salle";
  EXPECT_EQ(MeetingDetector::detect(event)->provider, MeetingProvider::whereby);
  event.url = "https://teams.microsoft.com/l/meetup-join/abc";
  EXPECT_EQ(MeetingDetector::detect(event)->provider, MeetingProvider::teams);
  event = DayEvent{};
  event.notes = "Rien à rejoindre";
  EXPECT_FALSE(MeetingDetector::detect(event));
}

TEST(MeetingDetector, ProviderNames) {
  EXPECT_EQ(label(MeetingProvider::meet), "Google Meet");
  EXPECT_EQ(label(MeetingProvider::facetime), "FaceTime");
  EXPECT_EQ(rawValue(MeetingProvider::whereby), "whereby");
  EXPECT_EQ(fromRaw<MeetingProvider>("jitsi"), MeetingProvider::jitsi);
}

}  // namespace
}  // namespace talewick
