// The video-meeting link of an event: found in its URL, location or notes, it gives the quest
// views their "join" button and quick-add its meeting link.
//
// Web meetings are recognised by their host (with or without "https://"), FaceTime by its URL
// scheme. When a text holds both, the web meeting wins: invitations put their real link first and
// FaceTime, when present, is usually the fallback.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "game/day_event.hpp"
#include "support/enum_traits.hpp"

namespace talewick {

// Raw value = case name.
enum class MeetingProvider { zoom, meet, teams, webex, whereby, jitsi, facetime };
template <>
struct EnumTraits<MeetingProvider> {
  static constexpr std::array<std::string_view, 7> names{"zoom",    "meet",  "teams",   "webex",
                                                         "whereby", "jitsi", "facetime"};
};

// "Zoom", "Google Meet", "Teams", "Webex", "Whereby", "Jitsi", "FaceTime".
std::string_view label(MeetingProvider provider);

struct MeetingLink {
  MeetingProvider provider = MeetingProvider::zoom;
  std::string url;  // absolute, ready to open
  bool operator==(const MeetingLink&) const = default;
};

namespace MeetingDetector {

// The first meeting link of `text`, without the punctuation that closes a sentence or a bracket
// around it; "https://" is added to a web link written without scheme. Characters a URL cannot
// hold as such (accented letters, braces, a "%" that starts no escape) are percent-encoded; a
// link holding control characters is not a URL and gives nothing.
std::optional<MeetingLink> detect(std::string_view text);

// The link of the first text, in order, that holds one.
std::optional<MeetingLink> detect(std::span<const std::optional<std::string>> texts);

// The event's URL, then its location, then its notes: the URL field is the one a calendar fills
// on purpose, notes are where invitations paste everything else.
std::optional<MeetingLink> detect(const DayEvent& event);

}  // namespace MeetingDetector
}  // namespace talewick
