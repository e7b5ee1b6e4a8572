#include "linear/linear_records.hpp"

namespace talewick::Linear {

using json_coding::Field;
using json_coding::lenient;

static const auto kUserFields =
    std::tuple{Field{"id", &User::id}, Field{"name", &User::name},
               Field{"displayName", &User::displayName}, Field{"email", &User::email}};
TALEWICK_JSON_CODING(User, kUserFields)

static const auto kStateFields =
    std::tuple{Field{"id", &WorkflowState::id}, Field{"name", &WorkflowState::name},
               Field{"type", &WorkflowState::type}, Field{"position", &WorkflowState::position}};
TALEWICK_JSON_CODING(WorkflowState, kStateFields)

static const auto kNamedFields = std::tuple{Field{"name", &Named::name}};
TALEWICK_JSON_CODING(Named, kNamedFields)

static const auto kLabelFields =
    std::tuple{Field{"id", &Label::id}, Field{"name", &Label::name}, Field{"color", &Label::color}};
TALEWICK_JSON_CODING(Label, kLabelFields)

static const auto kAttachmentFields =
    std::tuple{Field{"id", &Attachment::id}, Field{"title", &Attachment::title},
               Field{"url", &Attachment::url}};
TALEWICK_JSON_CODING(Attachment, kAttachmentFields)

static const auto kCommentFields =
    std::tuple{Field{"id", &Comment::id}, Field{"body", &Comment::body},
               Field{"createdAt", &Comment::createdAt}, Field{"user", &Comment::user}};
TALEWICK_JSON_CODING(Comment, kCommentFields)

static const auto kIssueTeamFields =
    std::tuple{Field{"id", &IssueTeam::id}, Field{"name", &IssueTeam::name},
               Field{"states", &IssueTeam::states}, Field{"members", &IssueTeam::members}};
TALEWICK_JSON_CODING(IssueTeam, kIssueTeamFields)

static const auto kIssueFields = std::tuple{Field{"id", &Issue::id},
                                            Field{"identifier", &Issue::identifier},
                                            Field{"title", &Issue::title},
                                            Field{"url", &Issue::url},
                                            Field{"priority", &Issue::priority},
                                            Field{"updatedAt", &Issue::updatedAt},
                                            Field{"dueDate", &Issue::dueDate},
                                            Field{"assignee", &Issue::assignee},
                                            Field{"state", &Issue::state},
                                            Field{"team", &Issue::team},
                                            Field{"description", &Issue::description},
                                            Field{"creator", &Issue::creator},
                                            Field{"project", &Issue::project},
                                            Field{"cycle", &Issue::cycle},
                                            Field{"labels", &Issue::labels},
                                            Field{"attachments", &Issue::attachments},
                                            Field{"comments", &Issue::comments}};
TALEWICK_JSON_CODING(Issue, kIssueFields)

static const auto kProjectFields =
    std::tuple{Field{"id", &Project::id}, Field{"name", &Project::name}};
TALEWICK_JSON_CODING(Project, kProjectFields)

static const auto kTeamContextFields =
    std::tuple{Field{"id", &TeamContext::id},
               Field{"key", &TeamContext::key},
               Field{"name", &TeamContext::name},
               Field{"members", &TeamContext::members, lenient},
               Field{"workflowStates", &TeamContext::workflowStates, lenient},
               Field{"projects", &TeamContext::projects, lenient},
               Field{"labels", &TeamContext::labels, lenient}};
TALEWICK_JSON_CODING(TeamContext, kTeamContextFields)

static const auto kFetchResultFields =
    std::tuple{Field{"viewerName", &FetchResult::viewerName},
               Field{"issues", &FetchResult::issues},
               Field{"recentDoneIssues", &FetchResult::recentDoneIssues, lenient},
               Field{"teamIssues", &FetchResult::teamIssues, lenient},
               Field{"workspaceID", &FetchResult::workspaceID},
               Field{"workspaceName", &FetchResult::workspaceName}};
TALEWICK_JSON_CODING(FetchResult, kFetchResultFields)

static const auto kWorkspaceFields = std::tuple{
    Field{"id", &Workspace::id}, Field{"name", &Workspace::name},
    Field{"viewerName", &Workspace::viewerName}, Field{"connectedAt", &Workspace::connectedAt},
    Field{"selected", &Workspace::selected}};
TALEWICK_JSON_CODING(Workspace, kWorkspaceFields)

}  // namespace talewick::Linear
