// The server's HTTP surface: registration, and per provider the connection status, the OAuth
// round trip (its start, and the provider's redirect that ends it) and the disconnection, over
// the storage port; and the routes of playing together (GuildRoutes, WorldBossRoutes,
// VigilRoutes), which read the time through the Api's clock.
//
// Every answer is JSON; every refusal is {"error": text} (French: the desktop program shows it to
// its user as it is; the routes of playing together answer codes such as "rate_limited", which
// the program maps to its own texts). Calls under "/api/" but registration, the guild's join and
// verify, the world boss's enlistment (which take the sign-up secret) and the reading of an
// invitation's answers need "authorization: Bearer KEY". The invitation relay's routes are
// InviteRoutes'.
#pragma once

#include <httplib.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "server/clock.hpp"
#include "server/config.hpp"
#include "server/google_calendar_routes.hpp"
#include "server/guild_routes.hpp"
#include "server/integration_pipeline.hpp"
#include "server/linear_routes.hpp"
#include "server/log.hpp"
#include "server/oauth_finish.hpp"
#include "server/openings_routes.hpp"
#include "server/pipeline_routes.hpp"
#include "server/provider_item_routes.hpp"
#include "server/providers.hpp"
#include "server/storage.hpp"
#include "server/vigil_routes.hpp"
#include "server/world_boss_routes.hpp"

namespace talewick::server {

// The largest request body accepted; a larger one is answered 413.
inline constexpr std::size_t MAX_BODY_BYTES = 1024 * 1024;

class Api {
 public:
  // `config`, `storage` and `log` outlive every server the routes are mounted on. `post` reaches
  // the providers' token URLs.
  // `now` is the routes' clock (the system's, but in tests); `wait` is how calls to providers
  // wait when a provider asks them to slow down.
  Api(const Config& config, Storage& storage, Log& log, FormPoster post = postForm,
      Clock now = systemClock(), RetryWait wait = sleepSeconds);

  // Installs the routes, the body limit and the error bodies on `server`.
  void mount(httplib::Server& server) const;

 private:
  // What an authenticated route gets: the caller and the request's JSON body (null when empty).
  struct Call {
    const httplib::Request& request;
    httplib::Response& response;
    std::string userId;
    nlohmann::json body;
  };
  using CallHandler = std::function<void(const Api&, Call&)>;

  // Runs `handler` for a caller with a known key and a well-formed body; answers 401 or 400
  // otherwise.
  httplib::Server::Handler authenticated(CallHandler handler) const;
  // The same for a route under "/api/<segment>/…": 404 for a segment that names no provider.
  httplib::Server::Handler forProvider(
      std::function<void(const Api&, Call&, const Provider&)> handler) const;

  std::optional<std::string> callerOf(const httplib::Request& request) const;

  void health(httplib::Response& response) const;
  void registerUser(const httplib::Request& request, httplib::Response& response) const;
  void connectionStatus(Call& call, const Provider& provider) const;
  void disconnect(Call& call, const Provider& provider) const;
  void startOAuth(Call& call, const Provider& provider) const;
  // The provider's browser redirect: no key, the state of the round trip stands for the user.
  void finishOAuth(const httplib::Request& request, httplib::Response& response) const;

  const Config& config_;
  Storage& storage_;
  Log& log_;
  FormPoster post_;
  Clock now_;
  // Booking links: the owner's calls and the public page.
  OpeningsRoutes openings_{config_, storage_, log_};
  // Playing together: the guild of a company domain, the world boss and its vigil rooms.
  GuildRoutes guilds_{config_, storage_, log_, now_};
  WorldBossRoutes worldBoss_{config_, storage_, log_, now_};
  VigilRoutes vigils_{storage_, now_};
  // Work trackers and remote calendars read on the user's behalf. Mutable: it keeps answers.
  mutable IntegrationPipeline pipeline_;
  PipelineRoutes pipelineRoutes_{pipeline_};
  ProviderItemRoutes providerItemRoutes_{config_, pipeline_};
  LinearRoutes linearRoutes_{config_, pipeline_};
  GoogleCalendarRoutes googleCalendarRoutes_{config_, pipeline_};
};

}  // namespace talewick::server
