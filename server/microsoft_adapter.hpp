// Microsoft Graph: the events of the default calendar over the coming 14 days (GET
// /v1.0/me/calendarView, times asked in UTC, "@odata.nextLink" pages) as calendar items of
// "microsoft-calendar", and the To Do tasks not completed of every list (/v1.0/me/todo/lists and
// …/tasks) as task items of "microsoft-todo". A task is completed with PATCH {"status":
// "completed"} and deleted with DELETE; events are answered in the calendar, not here.
#pragma once

#include <cstdint>

#include "server/pipeline_adapter.hpp"

namespace talewick::server {

inline constexpr std::int64_t MICROSOFT_CALENDAR_DAYS = 14;

class MicrosoftAdapter : public PipelineAdapter {
 public:
  std::vector<PipelineItem> openItems(ProviderSession& session,
                                      const PipelineFetch& fetch) const override;
  void complete(ProviderSession& session, const PipelineItem& item) const override;
  void remove(ProviderSession& session, const PipelineItem& item) const override;
};

// A Graph event as a calendar item of `calendarId`; nullopt for a malformed or cancelled one.
std::optional<PipelineItem> microsoftEventItem(const nlohmann::json& event,
                                               const std::string& calendarId);

// Moves the event `eventId` to [startsAt, endsAt) (seconds since 1970); the updated event.
nlohmann::json moveMicrosoftEvent(ProviderSession& session, const std::string& eventId,
                                  std::int64_t startsAt, std::int64_t endsAt);

}  // namespace talewick::server
