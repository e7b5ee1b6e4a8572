// What the integration pipeline asks of each provider it reaches: the account's open items,
// normalised, and closing or deleting one of them. One adapter per provider segment; the session
// carries the account and its tokens.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "server/pipeline_item.hpp"
#include "server/provider_session.hpp"

namespace talewick::server {

struct PipelineFetch {
  std::string workspaceId;  // the workspace the user picked; empty: every one
};

class PipelineAdapter {
 public:
  virtual ~PipelineAdapter() = default;

  // Every open item of the account, all pages read. An entry the provider sends malformed is
  // skipped; a failed call throws ProviderFailure.
  virtual std::vector<PipelineItem> openItems(ProviderSession& session,
                                              const PipelineFetch& fetch) const = 0;
  // Closes or deletes `item`, one the adapter listed. Throws ProviderFailure.
  virtual void complete(ProviderSession& session, const PipelineItem& item) const = 0;
  virtual void remove(ProviderSession& session, const PipelineItem& item) const = 0;
};

// The adapter of the provider of `segment`; nullptr for a provider the pipeline does not reach.
const PipelineAdapter* pipelineAdapter(std::string_view segment);

}  // namespace talewick::server
