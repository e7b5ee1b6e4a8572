#include "services/pipeline/integration_pipeline_store.hpp"

#include <utility>

#include "services/backend/backend_error.hpp"
#include "services/backend/backend_url.hpp"
#include "support/loc.hpp"
#include "support/percent_encoding.hpp"

namespace talewick::pipeline {

namespace {

std::string failureLine(const std::string& why) { return "Pipeline : " + why; }

std::string answerLine(const IntegrationWire::Response& response, size_t shown) {
  std::string line = Loc::counted(static_cast<int64_t>(shown), "pipeline.status.items",
                                  "%@ élément ouvert", "%@ éléments ouverts");
  if (!response.errors.empty()) {
    line += Loc::format(Loc::string("pipeline.status.failedProviders", " (%@ en échec)"),
                        {std::to_string(response.errors.size())});
  }
  return failureLine(line) + ".";
}

// "?force=1&workspaceId=…", percent-encoding the workspace.
std::string pipelinePath(bool force, const std::optional<std::string>& workspace) {
  std::string path = "api/integrations/pipeline";
  std::string query;
  if (force) query += "force=1";
  if (workspace && !workspace->empty()) {
    if (!query.empty()) query += '&';
    query += "workspaceId=" + percentEncoded(*workspace);
  }
  return query.empty() ? path : path + "?" + query;
}

}  // namespace

void to_json(Json& j, const IntegrationPipelineStore::Saved& v) {
  j = Json::object();
  if (v.response) j["response"] = json_coding::encode(*v.response);
  j["suppressed"] = Json(std::vector<std::string>(v.suppressed.begin(), v.suppressed.end()));
}

void from_json(const Json& j, IntegrationPipelineStore::Saved& v) {
  if (!j.is_object()) json_coding::fail(json_coding::reasonExpected("object"));
  v = {};
  if (const auto found = j.find("response"); found != j.end()) {
    IntegrationWire::Response response;
    json_coding::decode(*found, response);
    v.response = std::move(response);
  }
  std::vector<std::string> suppressed;
  if (const auto found = j.find("suppressed"); found != j.end()) {
    json_coding::decode(*found, suppressed);
  }
  v.suppressed = {suppressed.begin(), suppressed.end()};
}

IntegrationPipelineStore::IntegrationPipelineStore(
    FilePort& files, std::filesystem::path file,
    std::function<backend::BackendConnection&()> backend, RunLoop& loop, std::ostream& diagnostics)
    : file_(files, std::move(file), diagnostics), backend_(std::move(backend)), loop_(loop) {
  saved_ = file_.load<Saved>().value_or(Saved{});
}

void IntegrationPipelineStore::apply(Saved next) {
  if (next == saved_) return;
  // Saved first: a failure leaves the store as it was, and says why.
  file_.save(next);
  saved_ = std::move(next);
  observers_.notify();
}

void IntegrationPipelineStore::performRefresh(bool force, std::function<void()> done) {
  if (done) waiting_.push_back(std::move(done));
  if (loading_) {
    pendingForce_ = pendingForce_ || force;
    return;
  }
  backend::BackendConnection& backend = backend_();
  if (!backend.configured()) {
    failed_ = true;
    statusLine_ = failureLine(backend::BackendError::notConfigured().what());
    for (auto& waiting : std::exchange(waiting_, {})) waiting();
    return;
  }
  loading_ = true;
  const std::optional<std::string> workspace = workspace_ ? workspace_() : std::nullopt;
  backend.perform(
      backend::BackendCall{"GET", pipelinePath(force, workspace), "", CALL_TIMEOUT},
      loop_.serialQueue(QUEUE), [this](backend::Outcome<std::string> outcome) {
        loading_ = false;
        try {
          IntegrationWire::Decoded decoded = IntegrationWire::decodeResponse(outcome.get());
          Saved next;
          next.suppressed =
              IntegrationPipeline::stillSuppressed(saved_.suppressed, decoded.response.items);
          next.response = std::move(decoded.response);
          apply(std::move(next));
          statusLine_ = answerLine(*saved_.response,
                                   saved_.response->items.size() - saved_.suppressed.size());
        } catch (const DecodeError&) {
          failed_ = true;
          statusLine_ = failureLine(backend::BackendError::unreadableAnswer().what());
        } catch (...) {
          failed_ = true;
          statusLine_ = failureLine(backend::failureText(std::current_exception()));
        }
        if (std::exchange(pendingForce_, false)) return performRefresh(true);
        for (auto& waiting : std::exchange(waiting_, {})) waiting();
      });
}

void IntegrationPipelineStore::complete(const Item& item, std::function<void(bool)> done) {
  runAction(item, "complete", std::move(done));
}

void IntegrationPipelineStore::remove(const Item& item, std::function<void(bool)> done) {
  runAction(item, "delete", std::move(done));
}

void IntegrationPipelineStore::runAction(const Item& item, const char* kind,
                                         std::function<void(bool)> done) {
  const std::optional<IntegrationWire::Action> action = IntegrationPipeline::action(item, kind);
  // Every way out below but success is a failure.
  failed_ = true;
  if (!action) {
    statusLine_ =
        std::string(kind) == "complete"
            ? Loc::format(
                  Loc::string("pipeline.noCompletion", "Aucune action de complétion pour %@."),
                  {item.title})
            : Loc::format(
                  Loc::string("pipeline.noDeletion", "Aucune action de suppression pour %@."),
                  {item.title});
    return done(false);
  }
  backend::BackendConnection& backend = backend_();
  const std::optional<std::string> root = backend.root();
  if (!root) {
    statusLine_ = failureLine(backend::BackendError::notConfigured().what());
    return done(false);
  }
  // Only addresses under the backend's own root carry the user's key.
  const std::optional<std::string> url =
      action->href ? IntegrationPipeline::actionURL(*action->href, *root) : std::nullopt;
  if (!url || !url->starts_with(*root + "/")) {
    statusLine_ =
        failureLine(action->href ? Loc::string("pipeline.foreignAction",
                                               "action refusée : son adresse est hors du backend")
                                 : Loc::string("pipeline.missingEndpoint", "action sans adresse"));
    return done(false);
  }
  backend.perform(backend::BackendCall{action->method.value_or("POST"),
                                       url->substr(root->size() + 1), "", CALL_TIMEOUT},
                  loop_.serialQueue(QUEUE),
                  [this, id = item.id, provider = item.provider,
                   done = std::move(done)](backend::Outcome<std::string> outcome) {
                    if (!outcome.ok()) {
                      try {
                        std::rethrow_exception(outcome.failure);
                      } catch (const backend::BackendError& e) {
                        statusLine_ = failureLine(e.kind() == backend::BackendError::Kind::http
                                                      ? IntegrationPipeline::completionErrorMessage(
                                                            provider, e.status(), e.what())
                                                      : e.what());
                      } catch (...) {
                        statusLine_ = failureLine(backend::failureText(std::current_exception()));
                      }
                      return done(false);
                    }
                    Saved next = saved_;
                    next.suppressed.insert(id);
                    try {
                      apply(std::move(next));
                    } catch (const std::exception& e) {
                      // Done at the provider all the same: only hiding it here could not be kept.
                      statusLine_ = failureLine(e.what());
                    }
                    performRefresh(true);
                    done(true);
                  });
}

const Item* IntegrationPipelineStore::item(const std::string& id) const {
  if (!saved_.response) return nullptr;
  for (const Item& candidate : saved_.response->items) {
    if (candidate.id == id) return &candidate;
  }
  return nullptr;
}

const Item* IntegrationPipelineStore::itemForCalendarQuest(const std::string& eventID,
                                                           const std::string& title,
                                                           Date start) const {
  if (!saved_.response) return nullptr;
  const std::string_view prefix = IntegrationPipeline::ID_PREFIX;
  if (eventID.starts_with(prefix)) {
    if (const Item* found = item(eventID.substr(prefix.size()))) return found;
  }
  for (const Item& candidate : saved_.response->items) {
    if (IntegrationPipeline::isCalendarItem(candidate) &&
        IntegrationPipeline::matchesCalendarQuestContent(candidate, title, start)) {
      return &candidate;
    }
  }
  return nullptr;
}

std::vector<DayEvent> IntegrationPipelineStore::calendarEvents(
    DateInterval interval, const std::set<std::string>& hiddenCalendarIDs) const {
  std::vector<DayEvent> out;
  if (!saved_.response) return out;
  for (const Item& item :
       IntegrationPipeline::calendarItems(saved_.response->items, interval, hiddenCalendarIDs)) {
    if (saved_.suppressed.count(item.id)) continue;
    if (std::optional<DayEvent> event = IntegrationPipeline::asCalendarDayEvent(item)) {
      out.push_back(std::move(*event));
    }
  }
  return out;
}

std::vector<Item> IntegrationPipelineStore::sideQuests() const {
  if (!saved_.response) return {};
  return IntegrationPipeline::sideQuestItems(saved_.response->items, saved_.suppressed);
}

}  // namespace talewick::pipeline
