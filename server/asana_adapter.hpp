// Asana through its REST API 1.0: the workspaces of GET /api/1.0/users/me, then in each the
// incomplete tasks assigned to the user (GET /api/1.0/tasks?assignee=me&workspace=…&
// completed_since=now, offset pages "next_page"). Completing is PUT /api/1.0/tasks/{gid}
// {"data": {"completed": true}}, deleting DELETE /api/1.0/tasks/{gid}.
#pragma once

#include "server/pipeline_adapter.hpp"

namespace talewick::server {

class AsanaAdapter : public PipelineAdapter {
 public:
  std::vector<PipelineItem> openItems(ProviderSession& session,
                                      const PipelineFetch& fetch) const override;
  void complete(ProviderSession& session, const PipelineItem& item) const override;
  void remove(ProviderSession& session, const PipelineItem& item) const override;
};

}  // namespace talewick::server
