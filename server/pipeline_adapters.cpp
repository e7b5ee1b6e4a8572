#include "server/asana_adapter.hpp"
#include "server/google_calendar_adapter.hpp"
#include "server/linear_adapter.hpp"
#include "server/microsoft_adapter.hpp"
#include "server/notion_adapter.hpp"
#include "server/pipeline_adapter.hpp"
#include "server/todoist_adapter.hpp"

namespace talewick::server {

const PipelineAdapter* pipelineAdapter(std::string_view segment) {
  static const TodoistAdapter todoist;
  static const AsanaAdapter asana;
  if (segment == "todoist") return &todoist;
  static const MicrosoftAdapter microsoft;
  if (segment == "asana") return &asana;
  if (segment == "microsoft") return &microsoft;
  static const GoogleCalendarAdapter googleCalendar;
  if (segment == "google-calendar") return &googleCalendar;
  static const NotionAdapter notion;
  if (segment == "notion") return &notion;
  static const LinearAdapter linear;
  if (segment == "linear") return &linear;
  return nullptr;
}

}  // namespace talewick::server
