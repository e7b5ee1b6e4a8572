#include "text/calendar_linked_item.hpp"

#include "support/loc.hpp"

namespace talewick {

using json_coding::Field;
static const auto kLinearFields = std::tuple{
    Field{"blockID", &LinearIssueLink::blockID}, Field{"issueID", &LinearIssueLink::issueID},
    Field{"identifier", &LinearIssueLink::identifier}, Field{"url", &LinearIssueLink::url}};
static const auto kTodoistFields = std::tuple{
    Field{"blockID", &TodoistTaskLink::blockID}, Field{"taskID", &TodoistTaskLink::taskID},
    Field{"title", &TodoistTaskLink::title}, Field{"url", &TodoistTaskLink::url}};

void to_json(Json& j, const CalendarLinkedItem& v) {
  j = Json::object();
  if (const auto* linear = std::get_if<LinearIssueLink>(&v.value)) {
    json_coding::writeFields(j["linearIssue"], *linear, kLinearFields);
  } else {
    json_coding::writeFields(j["todoistTask"], std::get<TodoistTaskLink>(v.value), kTodoistFields);
  }
}

void from_json(const Json& j, CalendarLinkedItem& v) {
  if (!j.is_object()) json_coding::fail(json_coding::reasonExpected("object"));
  if (j.size() != 1 || (!j.contains("linearIssue") && !j.contains("todoistTask"))) {
    json_coding::fail(Loc::string("json.linkedItem.oneKey",
                                  "un seul champ attendu : « linearIssue » ou « todoistTask »"));
  }
  try {
    if (j.contains("linearIssue")) {
      LinearIssueLink link;
      json_coding::readFields(j.at("linearIssue"), link, kLinearFields);
      v.value = std::move(link);
    } else {
      TodoistTaskLink link;
      json_coding::readFields(j.at("todoistTask"), link, kTodoistFields);
      v.value = std::move(link);
    }
  } catch (const DecodeError& e) {
    throw e.within(j.begin().key());
  }
}

}  // namespace talewick
