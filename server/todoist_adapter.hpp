// Todoist through its REST API v1: open tasks (GET /api/v1/tasks, cursor pages), closed with POST
// /api/v1/tasks/{id}/close and deleted with DELETE /api/v1/tasks/{id}. Projects and sections
// give the tasks their names.
#pragma once

#include <nlohmann/json.hpp>

#include "server/pipeline_adapter.hpp"

namespace talewick::server {

// The account's lists as Todoist sends them (its own field names), every page read.
struct TodoistSnapshot {
  nlohmann::json tasks = nlohmann::json::array();
  nlohmann::json projects = nlohmann::json::array();
  nlohmann::json sections = nlohmann::json::array();
  nlohmann::json labels = nlohmann::json::array();
};

TodoistSnapshot todoistSnapshot(ProviderSession& session);

// A task of the snapshot as a pipeline item; nullopt for a malformed, done or deleted task.
std::optional<PipelineItem> todoistItem(const nlohmann::json& task, const TodoistSnapshot& names);

class TodoistAdapter : public PipelineAdapter {
 public:
  std::vector<PipelineItem> openItems(ProviderSession& session,
                                      const PipelineFetch& fetch) const override;
  void complete(ProviderSession& session, const PipelineItem& item) const override;
  void remove(ProviderSession& session, const PipelineItem& item) const override;
};

}  // namespace talewick::server
