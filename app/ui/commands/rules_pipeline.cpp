// The integration pipeline's pure rules as `talewick rules` reaches them: an item as a calendar
// occurrence and as the quest it became, the calendar items of a window, the address of an
// action, the words of a failed completion, and the Google event an invitation is answered
// through. An item is given as the backend writes it;
// `interval` as {"start", "end"}.
#include <array>
#include <set>
#include <string>
#include <vector>

#include "pipeline/google_calendar_cache.hpp"
#include "pipeline/integration_items.hpp"
#include "ui/commands/rule_arguments.hpp"
#include "ui/commands/rule_table.hpp"

namespace talewick::ui {
namespace {

using namespace rule_arguments;
using IntegrationWire::Item;

Json asCalendarDayEvent(const Json& j) {
  const std::optional<DayEvent> event =
      IntegrationPipeline::asCalendarDayEvent(required<Item>(j, "item"));
  return event ? json_coding::encode(*event) : Json(nullptr);
}

Json matchesCalendarQuestContent(const Json& j) {
  return IntegrationPipeline::matchesCalendarQuestContent(
      required<Item>(j, "item"), required<std::string>(j, "title"), required<Date>(j, "start"));
}

Json calendarItems(const Json& j) {
  const auto in = j.find("in");
  if (in == j.end() || !in->is_object()) throw DecodeError("in", "expected {\"start\", \"end\"}");
  const Json& interval = *in;
  const std::vector<std::string> hidden = optional<std::vector<std::string>>(j, "hiddenCalendarIDs")
                                              .value_or(std::vector<std::string>{});
  const std::vector<Item> kept = IntegrationPipeline::calendarItems(
      required<std::vector<Item>>(j, "items"),
      {required<Date>(interval, "start"), required<Date>(interval, "end")},
      {hidden.begin(), hidden.end()});
  return json_coding::encode(kept);
}

Json actionURL(const Json& j) {
  const std::optional<std::string> url = IntegrationPipeline::actionURL(
      required<std::string>(j, "href"), required<std::string>(j, "root"));
  return url ? Json(*url) : Json(nullptr);
}

// `for` is the item (its provider chooses the hint).
Json completionErrorMessage(const Json& j) {
  return IntegrationPipeline::completionErrorMessage(
      required<Item>(j, "for").provider, required<int64_t>(j, "status"),
      optional<std::string>(j, "backendMessage").value_or(""));
}

// The key an answer to a received invitation is remembered under.
Json occurrenceKey(const Json& j) {
  return GoogleCalendar::occurrenceKey(optional<std::string>(j, "externalIdentifier"),
                                       optional<Date>(j, "startDate"));
}

// The synced Google event an invitation's occurrence is answered through; null when none.
Json target(const Json& j) {
  const std::optional<GoogleCalendar::EventTarget> found = GoogleCalendar::target(
      required<std::vector<GoogleCalendar::RemoteEvent>>(j, "events"),
      required<std::string>(j, "externalIdentifier"), required<Date>(j, "startDate"));
  return found ? json_coding::encode(*found) : Json(nullptr);
}

constexpr std::array kRules{
    Rule{"IntegrationPipelineItem.asCalendarDayEvent", asCalendarDayEvent},
    Rule{"IntegrationPipelineItem.matchesCalendarQuestContent", matchesCalendarQuestContent},
    Rule{"IntegrationPipelineStore.calendarItems", calendarItems},
    Rule{"IntegrationPipelineStore.completionErrorMessage", completionErrorMessage},
    Rule{"TalewickIntegrationPipelineClient.actionURL", actionURL},
    Rule{"InviteRSVPService.occurrenceKey", occurrenceKey},
    Rule{"InviteRSVPService.target", target},
};

}  // namespace

std::span<const Rule> pipelineRules() { return kRules; }

}  // namespace talewick::ui
