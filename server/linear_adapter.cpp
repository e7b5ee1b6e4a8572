#include "server/linear_adapter.hpp"

#include <algorithm>

#include "server/provider_json.hpp"

namespace talewick::server {

LinearGraphQLClient::Send linearSend(ProviderSession& session) {
  return [&session](const Json& body) {
    // The endpoint is the API root itself.
    return Json(session.call({"POST", "", {}, nlohmann::json(body), {}}));
  };
}

bool isLinearUpload(std::string_view url, std::string_view uploadsBaseURL) {
  while (uploadsBaseURL.ends_with('/')) uploadsBaseURL.remove_suffix(1);
  // The "/" after the root ends its host: "https://uploads.linear.app.evil.example/" is another.
  if (uploadsBaseURL.empty() || !url.starts_with(uploadsBaseURL) ||
      url.substr(uploadsBaseURL.size()).size() < 2 || url[uploadsBaseURL.size()] != '/') {
    return false;
  }
  return std::none_of(url.begin(), url.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte >= 0x7f || c == '\\' || c == '#';
  });
}

std::optional<PipelineItem> linearItem(const Linear::Issue& issue) {
  if (LinearGraphQLClient::isDone(issue)) return std::nullopt;
  PipelineItem item;
  item.segment = item.provider = "linear";
  item.providerItemId = issue.id;
  item.kind = "task";
  item.title = issue.title;
  item.url = issue.url;
  // Linear counts 1 urgent … 4 low, 0 none; the pipeline 4 urgent … 1 low.
  const int priority = int(issue.priority.value_or(0));
  item.priority = priority >= 1 && priority <= 4 ? 5 - priority : 0;
  const nlohmann::json dates = {{"due", issue.dueDate.value_or("")},
                                {"updated", issue.updatedAt.value_or("")}};
  if ((item.dueAt = pjson::instant(dates, "due"))) item.dueIsDay = true;
  item.updatedAt = pjson::instant(dates, "updated");
  if (issue.state) item.sectionName = issue.state->name;
  if (issue.team) item.teamName = issue.team->name;
  if (issue.assignee) {
    item.assigneeName =
        issue.assignee->displayName ? issue.assignee->displayName : issue.assignee->name;
  }
  item.sourceLabel = "Linear";
  return item;
}

std::vector<PipelineItem> LinearAdapter::openItems(ProviderSession& session,
                                                   const PipelineFetch&) const {
  const Linear::FetchResult result = withLinear(
      session, false, [](const auto& send) { return LinearGraphQLClient::assignedIssues(send); });
  std::vector<PipelineItem> items;
  for (const Linear::Issue& issue : result.issues) {
    if (std::optional<PipelineItem> item = linearItem(issue)) items.push_back(std::move(*item));
  }
  return items;
}

void LinearAdapter::complete(ProviderSession& session, const PipelineItem& item) const {
  withLinear(session, true, [&](const auto& send) {
    const Linear::Issue issue = LinearGraphQLClient::issueDetail(send, item.providerItemId);
    const std::optional<Linear::WorkflowState> done = LinearGraphQLClient::completedState(
        issue.team && issue.team->states ? issue.team->states->nodes
                                         : std::vector<Linear::WorkflowState>{});
    if (!done) throw LinearGraphQLError::graphQL("l'équipe du ticket n'a aucun état terminé.");
    return LinearGraphQLClient::updateIssueState(send, item.providerItemId, done->id);
  });
}

void LinearAdapter::remove(ProviderSession& session, const PipelineItem& item) const {
  withLinear(session, true, [&](const auto& send) {
    LinearGraphQLClient::archiveIssue(send, item.providerItemId);
    return 0;
  });
}

}  // namespace talewick::server
