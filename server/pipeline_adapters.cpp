#include "server/asana_adapter.hpp"
#include "server/pipeline_adapter.hpp"
#include "server/todoist_adapter.hpp"

namespace talewick::server {

const PipelineAdapter* pipelineAdapter(std::string_view segment) {
  static const TodoistAdapter todoist;
  static const AsanaAdapter asana;
  if (segment == "todoist") return &todoist;
  if (segment == "asana") return &asana;
  return nullptr;
}

}  // namespace talewick::server
