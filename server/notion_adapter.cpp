#include "server/notion_adapter.hpp"

#include <array>
#include <functional>
#include <map>
#include <set>

#include "server/provider_json.hpp"
#include "support/percent_encoding.hpp"

namespace talewick::server {

namespace {

// Status names that mean the work is over, compared without ASCII case.
constexpr std::array<std::string_view, 5> DONE_NAMES = {"done", "terminé", "complete", "completed",
                                                        "fait"};

std::string lowered(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
}

bool doneLike(std::string_view name) {
  const std::string low = lowered(name);
  for (std::string_view done : DONE_NAMES) {
    if (low == done) return true;
  }
  return false;
}

// The plain text of a rich text array; nothing when `value` is no array.
std::optional<std::string> plainText(const nlohmann::json* value) {
  if (!value || !value->is_array()) return std::nullopt;
  std::string text;
  for (const nlohmann::json& piece : *value) {
    if (std::optional<std::string> part = pjson::string(piece, "plain_text")) text += *part;
  }
  return text;
}

struct DataSource {
  std::string id, title;
  // Per status property of the schema: the option names that mean done (by name, or by sitting
  // in the "Complete" group).
  std::map<std::string, std::vector<std::string>> doneOptions;
};

std::vector<std::string> doneOptionsOf(const nlohmann::json& status) {
  std::set<std::string> completeIds;
  for (const nlohmann::json& group : pjson::array(status, "groups")) {
    if (pjson::string(group, "name") == "Complete") {
      for (const std::string& id : pjson::strings(group, "option_ids")) completeIds.insert(id);
    }
  }
  std::vector<std::string> names;
  for (const nlohmann::json& option : pjson::array(status, "options")) {
    const std::optional<std::string> name = pjson::text(option, "name");
    const std::optional<std::string> id = pjson::string(option, "id");
    if (name && (doneLike(*name) || (id && completeIds.contains(*id)))) names.push_back(*name);
  }
  return names;
}

std::optional<DataSource> dataSourceOf(const nlohmann::json& entry) {
  if (pjson::string(entry, "object") != "data_source") return std::nullopt;
  const std::optional<std::string> id = pjson::text(entry, "id");
  if (!id || pjson::flag(entry, "in_trash") || pjson::flag(entry, "archived")) return std::nullopt;
  DataSource source{*id, plainText(pjson::at(entry, "title")).value_or(""), {}};
  const nlohmann::json* properties = pjson::at(entry, "properties");
  if (properties && properties->is_object()) {
    for (const auto& [name, property] : properties->items()) {
      if (pjson::string(property, "type") != "status") continue;
      if (const nlohmann::json* status = pjson::at(property, "status")) {
        source.doneOptions[name] = doneOptionsOf(*status);
      }
    }
  }
  return source;
}

// Every result of a paged POST list: `path` with `body`, then again with "start_cursor" while
// the answer "has_more". A cursor seen twice ends the reading.
void eachResult(ProviderSession& session, const std::string& path, nlohmann::json body,
                const std::function<void(const nlohmann::json&)>& visit) {
  std::set<std::string> seen;
  while (true) {
    const nlohmann::json answer = session.call(
        {"POST", path, {}, body, {{"Notion-Version", std::string(NOTION_API_VERSION)}}});
    const nlohmann::json* results = pjson::at(answer, "results");
    if (!results || !results->is_array()) {
      throw ProviderFailure("Notion a répondu une liste illisible.");
    }
    for (const nlohmann::json& result : *results) visit(result);
    const std::optional<std::string> next = pjson::text(answer, "next_cursor");
    if (!pjson::flag(answer, "has_more") || !next || !seen.insert(*next).second) return;
    body["start_cursor"] = *next;
  }
}

std::optional<PipelineItem> notionItem(const nlohmann::json& page, const DataSource& source) {
  if (pjson::string(page, "object") != "page") return std::nullopt;
  const std::optional<std::string> id = pjson::text(page, "id");
  if (!id || pjson::flag(page, "in_trash") || pjson::flag(page, "archived")) return std::nullopt;
  const nlohmann::json* properties = pjson::at(page, "properties");
  if (!properties || !properties->is_object()) return std::nullopt;

  std::optional<std::string> title;
  const nlohmann::json* date = nullptr;
  std::optional<std::string> statusProperty, statusName, checkboxProperty;
  bool checked = false;
  for (const auto& [name, property] : properties->items()) {
    const std::optional<std::string> type = pjson::string(property, "type");
    if (!type) continue;
    if (*type == "title" && !title) {
      title = plainText(pjson::at(property, "title"));
    } else if (*type == "status" && !statusProperty) {
      statusProperty = name;
      if (const nlohmann::json* status = pjson::at(property, "status")) {
        statusName = pjson::text(*status, "name");
      }
    } else if (*type == "checkbox" && !checkboxProperty) {
      const nlohmann::json* box = pjson::at(property, "checkbox");
      if (box && box->is_boolean()) {
        checkboxProperty = name;
        checked = box->get<bool>();
      }
    } else if (*type == "date" && !date) {
      date = pjson::at(property, "date");
    }
  }
  if (!title) return std::nullopt;

  std::optional<std::string> doneOption;
  if (statusProperty) {
    const auto known = source.doneOptions.find(*statusProperty);
    if (statusName) {
      if (doneLike(*statusName)) return std::nullopt;
      if (known != source.doneOptions.end()) {
        for (const std::string& option : known->second) {
          if (option == *statusName) return std::nullopt;
        }
      }
    }
    if (known != source.doneOptions.end() && !known->second.empty()) {
      doneOption = known->second.front();
    }
  }
  if (checkboxProperty && checked) return std::nullopt;

  PipelineItem item;
  item.segment = item.provider = "notion";
  item.providerItemId = *id;
  item.kind = "task";
  item.title = title->empty() ? "Sans titre" : *title;
  item.url = pjson::text(page, "url");
  if (date && date->is_object()) {
    if (const std::optional<std::int64_t> start = pjson::instant(*date, "start")) {
      item.dueAt = start;
      item.dueIsDay = pjson::string(*date, "start")->find('T') == std::string::npos;
    }
  }
  if (!source.title.empty()) item.projectName = source.title;
  item.updatedAt = pjson::instant(page, "last_edited_time");
  item.sourceLabel = "Notion";
  item.handle = {{"dataSource", source.id}};
  if (statusProperty && doneOption) {
    item.handle["statusProperty"] = *statusProperty;
    item.handle["doneStatus"] = *doneOption;
  }
  if (checkboxProperty) item.handle["checkboxProperty"] = *checkboxProperty;
  return item;
}

std::string pagePath(const PipelineItem& item) {
  return "/v1/pages/" + percentEncoded(item.providerItemId);
}

void patchPage(ProviderSession& session, const PipelineItem& item, nlohmann::json body) {
  session.call({"PATCH",
                pagePath(item),
                {},
                std::move(body),
                {{"Notion-Version", std::string(NOTION_API_VERSION)}}});
}

}  // namespace

namespace {

struct NotionReading {
  std::vector<DataSource> sources;
  std::vector<PipelineItem> items;
  std::size_t searched = 0, queried = 0;  // entries of the search, pages of the queries
};

NotionReading readNotion(ProviderSession& session) {
  NotionReading reading;
  std::set<std::string> sourceIds;
  eachResult(session, "/v1/search",
             {{"filter", {{"property", "object"}, {"value", "data_source"}}}, {"page_size", 100}},
             [&](const nlohmann::json& entry) {
               ++reading.searched;
               std::optional<DataSource> source = dataSourceOf(entry);
               if (source && sourceIds.insert(source->id).second) {
                 reading.sources.push_back(std::move(*source));
               }
             });
  std::set<std::string> pageIds;
  for (const DataSource& source : reading.sources) {
    eachResult(session, "/v1/data_sources/" + percentEncoded(source.id) + "/query",
               {{"page_size", 100}}, [&](const nlohmann::json& page) {
                 ++reading.queried;
                 std::optional<PipelineItem> item = notionItem(page, source);
                 if (item && pageIds.insert(item->providerItemId).second) {
                   reading.items.push_back(std::move(*item));
                 }
               });
  }
  return reading;
}

}  // namespace

std::vector<PipelineItem> NotionAdapter::openItems(ProviderSession& session,
                                                   const PipelineFetch&) const {
  return readNotion(session).items;
}

nlohmann::json notionDiagnostics(ProviderSession& session) {
  const NotionReading reading = readNotion(session);
  nlohmann::json sources = nlohmann::json::array();
  for (const DataSource& source : reading.sources) {
    sources.push_back({{"id", source.id}, {"title", source.title}});
  }
  return {{"dataSources", std::move(sources)},
          {"searchedPageCount", reading.searched},
          {"dataSourcePageCount", reading.queried}};
}

void NotionAdapter::complete(ProviderSession& session, const PipelineItem& item) const {
  const std::optional<std::string> status = pjson::text(item.handle, "statusProperty");
  const std::optional<std::string> done = pjson::text(item.handle, "doneStatus");
  if (status && done) {
    return patchPage(session, item, {{"properties", {{*status, {{"status", {{"name", *done}}}}}}}});
  }
  if (const std::optional<std::string> box = pjson::text(item.handle, "checkboxProperty")) {
    return patchPage(session, item, {{"properties", {{*box, {{"checkbox", true}}}}}});
  }
  throw ProviderFailure(
      "Cette page Notion ne peut pas être marquée comme faite : il lui faut une propriété Status "
      "(avec une option terminée) ou une case à cocher.");
}

void NotionAdapter::remove(ProviderSession& session, const PipelineItem& item) const {
  patchPage(session, item, {{"in_trash", true}});
}

}  // namespace talewick::server
