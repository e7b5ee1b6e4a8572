// The long-lived objects a command may need, made on first use so that a command touches only
// what it uses (`talewick level` never opens the calendar folder).
#pragma once

#include <iosfwd>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/calendar_port.hpp"
#include "core/calendar_selection.hpp"
#include "core/cloud_prefs_sync.hpp"
#include "core/cloud_store_port.hpp"
#include "core/expedition_store.hpp"
#include "core/hero_store.hpp"
#include "core/http_port.hpp"
#include "core/inhabitant_store.hpp"
#include "core/kingdom_coordinator.hpp"
#include "core/kingdom_rest_store.hpp"
#include "core/preferences.hpp"
#include "core/quest_store.hpp"
#include "core/reminders_port.hpp"
#include "core/run_loop.hpp"
#include "core/secrets_port.hpp"
#include "core/vault_folder_port.hpp"
#include "core/vault_store.hpp"
#include "game/enums.hpp"
#include "services/backend/backend_connection.hpp"
#include "services/backend/provider_connections.hpp"
#include "services/google/google_calendar_store.hpp"
#include "services/google/invite_rsvp_service.hpp"
#include "services/invites/invitations.hpp"
#include "services/invites/invite_registry.hpp"
#include "services/linear/linear_auth_store.hpp"
#include "services/openings/openings_service.hpp"
#include "services/pipeline/integration_pipeline_store.hpp"

namespace talewick::ui {

class AppContext {
 public:
  // Problems that do not stop the command are said on `warnings`, one line each.
  explicit AppContext(std::ostream& warnings);
  // Lets queued work finish (cloud writes) before anything is torn down.
  ~AppContext();

  // Whether `line` was already said as a warning: a command that then fails of the same cause
  // (the cloud folder it needed after all) has nothing more to say.
  bool warned(const std::string& line) const { return warned_.contains(line); }

  // defaults.json; the first use also starts the mirror of the shared preferences with the
  // cloud folder (a folder that cannot be made is reported once and the mirror stays off).
  Preferences& preferences();
  CalendarSelection& selection();
  // The calendar folder's store. A default folder is created on first use; a configured folder
  // that does not exist is an error (std::runtime_error with a French message).
  CalendarEventStorePort& calendarStore();
  RemindersStorePort& remindersStore();

  // The user's own addresses (preference "identity.emails": a list, or one text with commas).
  std::vector<std::string> identityEmails();
  // The identifiers of every calendar, for set operations.
  std::vector<std::string> calendarIDs();

  // The narrative mode ("rpg_mode" in the preferences, else in the cloud folder; heroic when
  // absent or unknown).
  RPGMode narrativeMode();

  RunLoop& runLoop();
  // The cloud folder; its announcements are delivered on the main loop.
  KeyValueCloudStore& cloudStore();
  // The hero, started on first use.
  HeroStore& heroStore();
  // The inhabitants book, started on first use.
  InhabitantStore& inhabitantStore();
  // The preference mirror, started with the preferences.
  CloudPrefsSync& cloudPrefsSync();
  SecretsStore& secrets();
  // The quest store, made once and not loaded: a command loads the window it shows.
  QuestStore& questStore();
  // The kingdom: its refresh and its stores (pins, the day's board, the journey).
  KingdomCoordinator& kingdom();
  // The rest days declared and the reprise (kingdom-rest-v1.json).
  KingdomRestStore& restStore();
  // The expedition under way (expedition-v1.json), resolved on first use if its deadline passed.
  ExpeditionStore& expeditionStore();
  // The notes folder's tasks (the folder named by the preference "vault.coffre.path"); what it
  // logs is said on its status line instead.
  VaultStore& vaultStore();
  // libcurl, made on the main thread at first use.
  HttpClient& httpClient();
  // The backend session (its address, this device's registration) and the six providers'
  // connection stores over it.
  backend::BackendConnection& backend();
  backend::ProviderConnections& providerConnections();
  // The open items of connected trackers and remote calendars (integration-pipeline.json in the
  // data folder): read without any call; the backend is reached only to refresh or act.
  pipeline::IntegrationPipelineStore& integrationPipeline();
  // Linear as the program reads it (linear-issues.json in the data folder, read once): one store
  // for the commands and the kingdom, which rebuilds often and must not reread the file each
  // time.
  linear::LinearAuthStore& linear();
  // The open tickets of every connected tracker, as last read (no network call).
  TrackerTickets trackerTickets();
  // The Google Calendar connection and its last synced cache (google-calendar-v1.json in the
  // data folder), and the answers to Google invitations given from the game.
  google::GoogleCalendarStore& googleCalendar();
  google::InviteRSVPService& inviteRSVP();
  // The booking links, over the backend session, the calendar and the quest store.
  openings::OpeningsService& openings();
  // The invitations sent ("Quillon/invites.json" in the data folder) and their relay.
  invites::InviteRegistry& inviteRegistry();
  invites::Invitations& invitations();
  // TALEWICK_DISABLE_EVENTKIT=1: the calendar is never touched.
  static bool calendarDisabled();
  // The wall clock; tests of the program may fix it with TALEWICK_NOW (ISO-8601).
  Date now() const;

 private:
  void warn(const std::string& line);

  // Declared first, destroyed last: every store below may have work queued on it.
  std::unique_ptr<RunLoop> runLoop_;
  std::unique_ptr<Preferences> preferences_;
  std::unique_ptr<KeyValueCloudStore> cloudStore_;
  std::unique_ptr<HeroStore> heroStore_;
  std::unique_ptr<InhabitantStore> inhabitantStore_;
  std::unique_ptr<CloudPrefsSync> cloudPrefsSync_;
  std::unique_ptr<SecretsStore> secrets_;
  std::unique_ptr<CalendarSelection> selection_;
  std::unique_ptr<CalendarEventStorePort> calendarStore_;
  std::unique_ptr<RemindersStorePort> remindersStore_;
  // Members are destroyed last to first: each of these reads the ones above it.
  std::unique_ptr<pipeline::IntegrationPipelineStore> integrationPipeline_;
  std::unique_ptr<QuestStore> questStore_;
  std::unique_ptr<KingdomCoordinator> kingdom_;
  std::unique_ptr<KingdomRestStore> restStore_;
  std::unique_ptr<ExpeditionStore> expeditionStore_;
  std::unique_ptr<VaultFolderPort> vaultFolder_;
  std::ostringstream vaultLog_;
  std::unique_ptr<VaultStore> vaultStore_;
  std::unique_ptr<HttpClient> httpClient_;
  std::unique_ptr<backend::BackendConnection> backend_;
  std::unique_ptr<backend::ProviderConnections> providerConnections_;
  std::unique_ptr<linear::LinearAuthStore> linear_;
  std::unique_ptr<google::GoogleCalendarStore> googleCalendar_;
  std::unique_ptr<google::InviteRSVPService> inviteRSVP_;
  std::unique_ptr<openings::OpeningsService> openings_;
  std::unique_ptr<invites::InviteRegistry> inviteRegistry_;
  std::unique_ptr<invites::Invitations> invitations_;
  std::ostream& warnings_;
  std::set<std::string> warned_;
};

}  // namespace talewick::ui
