// Notion through its public API (version NOTION_API_VERSION, sent as "Notion-Version" on every
// call): the data sources the integration was shared (POST /v1/search filtered on
// "data_source"), then the pages of each (POST /v1/data_sources/{id}/query), both over
// "start_cursor"/"next_cursor" pages. A page with a title property is a task; its "status"
// property or its checkbox tells whether it is done, its "date" property gives its due time.
// Completing is PATCH /v1/pages/{id} setting the status to a done option or ticking the
// checkbox; deleting is PATCH /v1/pages/{id} {"in_trash": true}.
#pragma once

#include "server/pipeline_adapter.hpp"

namespace talewick::server {

class NotionAdapter : public PipelineAdapter {
 public:
  std::vector<PipelineItem> openItems(ProviderSession& session,
                                      const PipelineFetch& fetch) const override;
  void complete(ProviderSession& session, const PipelineItem& item) const override;
  void remove(ProviderSession& session, const PipelineItem& item) const override;
};

// What the integration reaches, for GET /api/notion/connections?diagnostics=1: the data sources
// shared with it ({"id", "title"}), the entries its search read ("searchedPageCount") and the
// pages its data sources' queries read ("dataSourcePageCount"). Throws ProviderFailure.
nlohmann::json notionDiagnostics(ProviderSession& session);

}  // namespace talewick::server
