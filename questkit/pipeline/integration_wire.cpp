#include "pipeline/integration_wire.hpp"

namespace talewick::IntegrationWire {

using json_coding::Field;
using json_coding::lenient;

static const auto kProviderStatusFields =
    std::tuple{Field{"id", &ProviderStatus::id},
               Field{"label", &ProviderStatus::label},
               Field{"kind", &ProviderStatus::kind},
               Field{"connected", &ProviderStatus::connected},
               Field{"accountLabel", &ProviderStatus::accountLabel},
               Field{"connectionCount", &ProviderStatus::connectionCount},
               Field{"syncedAt", &ProviderStatus::syncedAt}};
TALEWICK_JSON_CODING(ProviderStatus, kProviderStatusFields)

static const auto kErrorFields =
    std::tuple{Field{"provider", &PipelineError::provider}, Field{"error", &PipelineError::error}};
TALEWICK_JSON_CODING(PipelineError, kErrorFields)

static const auto kSummaryFields =
    std::tuple{Field{"total", &Summary::total}, Field{"open", &Summary::open},
               Field{"dueSoon", &Summary::dueSoon}, Field{"overdue", &Summary::overdue},
               Field{"highThreat", &Summary::highThreat}};
TALEWICK_JSON_CODING(Summary, kSummaryFields)

static const auto kMacOSFields =
    std::tuple{Field{"nativePipeline", &MacOSSupport::nativePipeline, lenient},
               Field{"sideQuestList", &MacOSSupport::sideQuestList, lenient},
               Field{"canCompleteInTalewick", &MacOSSupport::canCompleteInTalewick, lenient},
               Field{"canTimeBlockToCalendar", &MacOSSupport::canTimeBlockToCalendar, lenient}};
TALEWICK_JSON_CODING(MacOSSupport, kMacOSFields)

static const auto kIOSFields = std::tuple{
    Field{"nativePipeline", &IOSSupport::nativePipeline, lenient},
    Field{"sideQuestList", &IOSSupport::sideQuestList, lenient},
    Field{"canCompleteInTalewick", &IOSSupport::canCompleteInTalewick, lenient},
    Field{"visibleViaCalendarTimeBlock", &IOSSupport::visibleViaCalendarTimeBlock, lenient},
    Field{"requires", &IOSSupport::requires_}};
TALEWICK_JSON_CODING(IOSSupport, kIOSFields)

static const auto kPlatformFields =
    std::tuple{Field{"macOS", &PlatformSupport::macOS}, Field{"iOS", &PlatformSupport::iOS}};
TALEWICK_JSON_CODING(PlatformSupport, kPlatformFields)

static const auto kRPGFields =
    std::tuple{Field{"realm", &RPG::realm}, Field{"sprite", &RPG::sprite},
               Field{"threat", &RPG::threat}, Field{"xp", &RPG::xp}, Field{"gold", &RPG::gold}};
TALEWICK_JSON_CODING(RPG, kRPGFields)

static const auto kActionFields =
    std::tuple{Field{"kind", &Action::kind}, Field{"method", &Action::method},
               Field{"href", &Action::href}, Field{"label", &Action::label}};
TALEWICK_JSON_CODING(Action, kActionFields)

static const auto kCalendarEventFields =
    std::tuple{Field{"calendarId", &CalendarEvent::calendarId},
               Field{"eventId", &CalendarEvent::eventId},
               Field{"iCalUID", &CalendarEvent::iCalUID},
               Field{"myResponseStatus", &CalendarEvent::myResponseStatus},
               Field{"recurringEventId", &CalendarEvent::recurringEventId},
               Field{"originalStartTime", &CalendarEvent::originalStartTime}};
TALEWICK_JSON_CODING(CalendarEvent, kCalendarEventFields)

static const auto kItemFields =
    std::tuple{Field{"id", &Item::id},
               Field{"provider", &Item::provider},
               Field{"providerItemId", &Item::providerItemId},
               Field{"kind", &Item::kind},
               Field{"title", &Item::title},
               Field{"notes", &Item::notes},
               Field{"url", &Item::url},
               Field{"status", &Item::status},
               Field{"priority", &Item::priority, lenient},
               Field{"dueAt", &Item::dueAt},
               Field{"startsAt", &Item::startsAt},
               Field{"endsAt", &Item::endsAt},
               Field{"durationMin", &Item::durationMin},
               Field{"projectName", &Item::projectName},
               Field{"sectionName", &Item::sectionName},
               Field{"teamName", &Item::teamName},
               Field{"assigneeName", &Item::assigneeName},
               Field{"labels", &Item::labels, lenient},
               Field{"updatedAt", &Item::updatedAt},
               Field{"sourceLabel", &Item::sourceLabel, lenient},
               Field{"automationScore", &Item::automationScore, lenient},
               Field{"placements", &Item::placements, lenient},
               Field{"platformSupport", &Item::platformSupport},
               Field{"rpg", &Item::rpg},
               Field{"actions", &Item::actions, lenient},
               Field{"calendarEvent", &Item::calendarEvent}};
TALEWICK_JSON_CODING(Item, kItemFields)

static const auto kResponseFields = std::tuple{
    Field{"providers", &Response::providers, lenient}, Field{"items", &Response::items, lenient},
    Field{"errors", &Response::errors, lenient}, Field{"summary", &Response::summary},
    Field{"syncedAt", &Response::syncedAt}};
TALEWICK_JSON_CODING(Response, kResponseFields)

Decoded decodeResponse(std::string_view body) {
  Json j;
  try {
    j = Json::parse(body);
  } catch (const nlohmann::json::parse_error& e) {
    throw DecodeError("", describeParseError(e));
  }
  if (!j.is_object()) throw DecodeError("", json_coding::reasonExpected("object"));
  // The items one by one: a provider's odd item must not hide every other one.
  Json items = Json::array();
  if (const auto found = j.find("items"); found != j.end()) {
    if (!found->is_array()) throw DecodeError("items", json_coding::reasonExpected("array"));
    items = std::move(*found);
    j.erase("items");
  }
  Decoded out;
  json_coding::decode(j, out.response);
  for (const Json& raw : items) {
    Item item;
    try {
      json_coding::decode(raw, item);
    } catch (const DecodeError&) {
      ++out.skippedItems;
      continue;
    }
    out.response.items.push_back(std::move(item));
  }
  return out;
}

std::string encodeResponse(const Response& response) {
  DateStyleScope iso(DateStyle::iso8601);
  return json_coding::encode(response).dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace talewick::IntegrationWire
