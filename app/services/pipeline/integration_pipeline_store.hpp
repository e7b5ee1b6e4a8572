// The open items of every tracker and remote calendar the user connected through the backend:
// the last answer of its pipeline, kept on disk so that every command shows it without a call,
// the items hidden here since they were completed or deleted, and the calls that refresh,
// complete and delete.
//
// Lives on the main loop: calls are made there and their results applied there; only the HTTP
// exchanges run on the worker pool. A failure shows on the status line ("Pipeline : " + why) and
// never costs the last answer. At most one refresh runs at a time: a forced one asked for
// meanwhile follows it.
//
// The hidden items are kept with the answer (each command is a process of its own) and dropped
// once an answer no longer lists them: the provider has caught up.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "core/clock.hpp"
#include "core/observers.hpp"
#include "core/run_loop.hpp"
#include "core/state_file.hpp"
#include "game/day_event.hpp"
#include "pipeline/integration_items.hpp"
#include "services/backend/backend_connection.hpp"

namespace talewick::pipeline {

using Item = IntegrationWire::Item;

class IntegrationPipelineStore {
 public:
  static constexpr const char* FILE_NAME = "integration-pipeline.json";
  static constexpr const char* QUEUE = "backend.pipeline";
  static constexpr std::chrono::seconds CALL_TIMEOUT{25};

  // What is kept on disk.
  struct Saved {
    std::optional<IntegrationWire::Response> response;
    std::set<std::string> suppressed;
    bool operator==(const Saved&) const = default;
  };

  // `backend` is asked for only when a call is made: reading the saved answer needs no network.
  // `workspace` names the selected tracker workspace, if any.
  IntegrationPipelineStore(FilePort& files, std::filesystem::path file,
                           std::function<backend::BackendConnection&()> backend, RunLoop& loop,
                           std::ostream& diagnostics);

  const std::optional<IntegrationWire::Response>& response() const { return saved_.response; }
  const std::set<std::string>& suppressedItemIDs() const { return saved_.suppressed; }
  const std::string& statusLine() const { return statusLine_; }
  bool isLoading() const { return loading_; }
  // Whether the last refresh or action that finished failed (the backend unconfigured included).
  bool failed() const { return failed_; }
  bool pendingRefreshForce() const { return pendingForce_; }
  void selectWorkspace(std::function<std::optional<std::string>()> workspace) {
    workspace_ = std::move(workspace);
  }

  // Asks the backend for every open item (`force`: past its cache). `done` runs once the answer
  // (or the failure) is applied, and after the forced refresh that may follow it.
  void performRefresh(bool force, std::function<void()> done = {});
  // Runs the item's completion (deletion) action: on success hides the item, refreshes with
  // force, and hands true to `done`; otherwise false, with the reason on the status line.
  void complete(const Item& item, std::function<void(bool)> done);
  void remove(const Item& item, std::function<void(bool)> done);

  // The item of `id` in the last answer, hidden ones included; nullptr when none.
  const Item* item(const std::string& id) const;
  // The item behind a quest of the calendar: by its prefixed occurrence id, else by title and
  // start.
  const Item* itemForCalendarQuest(const std::string& eventID, const std::string& title,
                                   Date start) const;
  // The remote events of `interval` as occurrences of the calendar, hidden ones left out.
  std::vector<DayEvent> calendarEvents(DateInterval interval,
                                       const std::set<std::string>& hiddenCalendarIDs = {}) const;
  // The tasks offered as side quests, hidden ones left out.
  std::vector<Item> sideQuests() const;

  // `observer` runs whenever a new answer or new hidden items are applied.
  int observe(std::function<void()> observer) { return observers_.add(std::move(observer)); }
  void unobserve(int token) { observers_.remove(token); }

 private:
  void runAction(const Item& item, const char* kind, std::function<void(bool)> done);
  void apply(Saved next);

  StateFile file_;
  std::function<backend::BackendConnection&()> backend_;
  RunLoop& loop_;
  std::function<std::optional<std::string>()> workspace_;
  Saved saved_;
  std::string statusLine_;
  bool loading_ = false;
  bool failed_ = false;
  bool pendingForce_ = false;
  std::vector<std::function<void()>> waiting_;  // the `done` of the refreshes under way
  ObserverList<> observers_;
};

void to_json(Json& j, const IntegrationPipelineStore::Saved& v);
void from_json(const Json& j, IntegrationPipelineStore::Saved& v);

}  // namespace talewick::pipeline
