// What the pipeline keeps of its users over time: a long-running server forgets the users it no
// longer serves, never one whose answer is still fresh.
#include "server/integration_pipeline.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>

#include "server/storage_engines_testing.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server {
namespace {

TEST(IntegrationPipelineMemory, UsersNoLongerServedAreForgottenAndFreshOnesKept) {
  talewick::testing::TempFolder folder("pipeline-memory");
  const std::unique_ptr<Storage> storage = openStorage(
      *DatabaseLocation::parse(testing::newDatabaseUrl(testing::Engine::sqlite, folder.path())));
  Config config;
  config.tokenKey = std::string(64, 'a');
  std::atomic<std::int64_t> now{1796644800};
  std::ostringstream logged;
  Log log(logged);
  IntegrationPipeline pipeline({config, *storage, postForm, [&] { return now.load(); }}, log);

  for (const char* user : {"ada", "bob", "cy"}) pipeline.answer(user, {});
  EXPECT_EQ(pipeline.usersKept(), 3u);
  now += IntegrationPipeline::CACHE_SECONDS - 1;
  IntegrationPipeline::Query forced;
  forced.force = true;
  pipeline.answer("bob", forced);  // fresh again, and forced just now
  pipeline.keep("cy", "todoist.lists", {{"projects", nlohmann::json::array()}});
  now += 2;
  pipeline.answer("dee", {});
  // Ada's answer went stale; Bob's and Cy's are still fresh, Dee's new.
  EXPECT_EQ(pipeline.usersKept(), 3u);
  EXPECT_EQ(pipeline.kept("cy", "todoist.lists"),
            (nlohmann::json{{"projects", nlohmann::json::array()}}));
  now += IntegrationPipeline::CACHE_SECONDS;
  pipeline.answer("eve", {});
  EXPECT_EQ(pipeline.usersKept(), 1u);
}

}  // namespace
}  // namespace talewick::server
