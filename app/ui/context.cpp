#include "ui/context.hpp"

#include <asio/post.hpp>
#include <cstdlib>
#include <iostream>
#include <stdexcept>

#include "core/inhabitant_contributions.hpp"
#include "linear/linear_tickets.hpp"
#include "platform/cloud_folder.hpp"
#include "platform/curl_http_client.hpp"
#include "platform/file_preferences.hpp"
#include "platform/keychain_file.hpp"
#include "platform/linux_files.hpp"
#include "platform/paths.hpp"
#include "platform/vault_folder.hpp"
#include "platform/vdir/calendar_store.hpp"
#include "platform/vdir/reminders_store.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "ui/error_text.hpp"

namespace talewick::ui {
namespace {

// A configured folder must exist; the default one is made on first use.
std::filesystem::path prepare(const paths::Folder& folder,
                              bool (*createDefault)(const std::filesystem::path&)) {
  if (folder.isDefault) {
    createDefault(folder.path);
  } else if (!std::filesystem::is_directory(folder.path)) {
    throw std::runtime_error(Loc::format(
        Loc::string("cli.folderMissing", "dossier introuvable : %@"), {folder.path.string()}));
  }
  return folder.path;
}

}  // namespace

AppContext::AppContext(std::ostream& warnings) : warnings_(warnings) {}

void AppContext::warn(const std::string& line) {
  if (warned_.insert(line).second) warnings_ << "talewick : " << text::terminalSafe(line) << '\n';
}

AppContext::~AppContext() {
  if (runLoop_) runLoop_->settle();
}

Preferences& AppContext::preferences() {
  if (!preferences_) {
    preferences_ = std::make_unique<FilePreferences>(defaultPreferencesPath());
    // The shared preferences come from the cloud folder before anything reads them, and every
    // change made from now on goes back to it. Without a usable cloud folder they stay local.
    try {
      cloudPrefsSync().start(SharedPrefKeys::synced());
    } catch (const std::system_error& e) {
      warn(fileErrorText(e));
    } catch (const std::exception& e) {
      warn(e.what());
    }
  }
  return *preferences_;
}

CalendarSelection& AppContext::selection() {
  if (!selection_) selection_ = std::make_unique<CalendarSelection>(preferences());
  return *selection_;
}

std::vector<std::string> AppContext::identityEmails() {
  return InhabitantContributions::ownAddresses(preferences());
}

CalendarEventStorePort& AppContext::calendarStore() {
  if (!calendarStore_) {
    const bool disabled = calendarDisabled();
    const auto folder = paths::calendarFolder(preferences());
    const auto root = disabled ? folder.path : prepare(folder, &paths::createDefaultCalendarFolder);
    calendarStore_ = std::make_unique<VdirCalendarStore>(root, identityEmails(), disabled);
  }
  return *calendarStore_;
}

RemindersStorePort& AppContext::remindersStore() {
  if (!remindersStore_) {
    const bool disabled = calendarDisabled();
    const auto folder = paths::remindersFolder(preferences());
    const auto root =
        disabled ? folder.path : prepare(folder, &paths::createDefaultRemindersFolder);
    remindersStore_ = std::make_unique<VdirRemindersStore>(root, disabled);
  }
  return *remindersStore_;
}

std::vector<std::string> AppContext::calendarIDs() {
  std::vector<std::string> ids;
  for (const CalendarInfo& c : calendarStore().calendars()) ids.push_back(c.identifier);
  return ids;
}

RPGMode AppContext::narrativeMode() { return QuestStore::modeFrom(preferences(), &cloudStore()); }

RunLoop& AppContext::runLoop() {
  if (!runLoop_) runLoop_ = std::make_unique<RunLoop>();
  return *runLoop_;
}

KeyValueCloudStore& AppContext::cloudStore() {
  preferences();  // first: making them starts the preference mirror, which needs this store
  if (!cloudStore_) {
    auto& main = runLoop().main();
    auto store = std::make_unique<CloudFolderStore>(paths::cloudFolder(preferences()).path);
    store->setDelivery(
        [&main](std::function<void()> announce) { asio::post(main, std::move(announce)); });
    cloudStore_ = std::move(store);
  }
  return *cloudStore_;
}

HeroStore& AppContext::heroStore() {
  if (!heroStore_) {
    RunLoop& loop = runLoop();
    heroStore_ = std::make_unique<HeroStore>(
        linuxFiles(), paths::dataFolder() / HeroStore::FILE_NAME, cloudStore(), loop.main(),
        loop.serialQueue(HeroStore::CLOUD_QUEUE));
    heroStore_->start();
  }
  return *heroStore_;
}

InhabitantStore& AppContext::inhabitantStore() {
  if (!inhabitantStore_) {
    RunLoop& loop = runLoop();
    inhabitantStore_ = std::make_unique<InhabitantStore>(
        linuxFiles(), paths::dataFolder() / InhabitantStore::FILE_NAME, cloudStore(), loop.main(),
        loop.serialQueue(InhabitantStore::CLOUD_QUEUE), warnings_);
    inhabitantStore_->start();
  }
  return *inhabitantStore_;
}

CloudPrefsSync& AppContext::cloudPrefsSync() {
  preferences();  // first, for the same reason
  if (!cloudPrefsSync_) {
    cloudPrefsSync_ =
        std::make_unique<CloudPrefsSync>(preferences(), cloudStore(), runLoop().main());
  }
  return *cloudPrefsSync_;
}

bool AppContext::calendarDisabled() {
  const char* value = std::getenv("TALEWICK_DISABLE_EVENTKIT");
  return value && std::string(value) == "1";
}

Date AppContext::now() const {
  if (const char* fixed = std::getenv("TALEWICK_NOW"); fixed && *fixed) {
    if (auto parsed = iso8601::parse(fixed)) {
      if (parsed->offsetSeconds) return iso8601::instant(parsed->civil, *parsed->offsetSeconds);
      if (auto local = LocalCalendar::dateFrom(parsed->civil)) return *local;
    }
  }
  return systemNow();
}

QuestStore& AppContext::questStore() {
  if (!questStore_) {
    heroStore();  // the program's start-up loads the hero before the first window
    questStore_ = std::make_unique<QuestStore>(
        calendarStore(), selection(), preferences(), &cloudStore(), runLoop().main(),
        [this] { return now(); }, calendarDisabled());
    // Remote events show beside the folder's, on calendars the user may hide like any other.
    questStore_->readRemoteEvents([this](DateInterval interval) {
      return integrationPipeline().calendarEvents(interval, selection().hidden());
    });
  }
  return *questStore_;
}

pipeline::IntegrationPipelineStore& AppContext::integrationPipeline() {
  if (!integrationPipeline_) {
    integrationPipeline_ = std::make_unique<pipeline::IntegrationPipelineStore>(
        linuxFiles(), paths::dataFolder() / pipeline::IntegrationPipelineStore::FILE_NAME,
        [this]() -> backend::BackendConnection& { return backend(); }, runLoop(), warnings_);
  }
  return *integrationPipeline_;
}

google::GoogleCalendarStore& AppContext::googleCalendar() {
  if (!googleCalendar_) {
    googleCalendar_ = std::make_unique<google::GoogleCalendarStore>(
        linuxFiles(), paths::dataFolder() / google::GoogleCalendarStore::FILE_NAME,
        [this]() -> backend::BackendConnection& { return backend(); }, preferences(), runLoop(),
        warnings_);
  }
  return *googleCalendar_;
}

google::InviteRSVPService& AppContext::inviteRSVP() {
  if (!inviteRSVP_) {
    inviteRSVP_ = std::make_unique<google::InviteRSVPService>(googleCalendar(), preferences());
  }
  return *inviteRSVP_;
}

KingdomCoordinator& AppContext::kingdom() {
  if (!kingdom_) {
    QuestStore& quests = questStore();
    kingdom_ = std::make_unique<KingdomCoordinator>(
        linuxFiles(), paths::dataFolder(), quests, calendarDisabled() ? nullptr : &calendarStore(),
        remindersStore(), heroStore(), [this] { return now(); });
    kingdom_->meetPeople(&inhabitantStore(), &preferences());
    kingdom_->readTaskFiles([this] {
      VaultStore& vault = vaultStore();
      return vault.folderPath() ? vault.scan().quests : std::vector<VaultSideQuest>{};
    });
    kingdom_->readTrackerTickets([this] { return trackerTickets(); });
    kingdom_->readExpedition([this] { return expeditionStore().expedition(); });
  }
  return *kingdom_;
}

linear::LinearAuthStore& AppContext::linear() {
  if (!linear_) {
    linear_ = std::make_unique<linear::LinearAuthStore>(
        preferences(), secrets(), httpClient(), linuxFiles(),
        paths::dataFolder() / linear::LinearAuthStore::FILE_NAME,
        [this]() -> backend::BackendConnection& { return backend(); }, runLoop(), warnings_);
  }
  return *linear_;
}

TrackerTickets AppContext::trackerTickets() {
  // Linear's issues read by the program join the pipeline's list: an issue the pipeline already
  // brought (the backend's mode) stays one ticket, and one completed either way is hidden from
  // both. Linear's own list keeps its last issues when a reading fails, so only the pipeline's
  // answer says whether the list is whole.
  pipeline::IntegrationPipelineStore& store = integrationPipeline();
  const linear::LinearAuthStore& linear = this->linear();
  std::set<std::string> hidden(store.suppressedItemIDs());
  for (const std::string& id : linear.suppressed()) hidden.insert(LinearTickets::itemID(id));
  TrackerTickets tickets;
  if (const auto& response = store.response()) {
    tickets.open = IntegrationPipeline::trackerTickets(response->items, hidden);
    tickets.complete = response->errors.empty();
  }
  std::set<std::string> listed;
  for (const TrackerTicket& ticket : tickets.open) listed.insert(ticket.id);
  for (TrackerTicket& ticket :
       LinearTickets::trackerTickets(linear.openIssues(), hidden, listed, now())) {
    tickets.open.push_back(std::move(ticket));
  }
  return tickets;
}

KingdomRestStore& AppContext::restStore() {
  if (!restStore_) {
    restStore_ = std::make_unique<KingdomRestStore>(
        linuxFiles(), paths::dataFolder() / KingdomRestStore::FILE_NAME, warnings_);
  }
  return *restStore_;
}

VaultStore& AppContext::vaultStore() {
  if (!vaultStore_) {
    vaultFolder_ = std::make_unique<VaultFolder>();
    vaultStore_ = std::make_unique<VaultStore>(*vaultFolder_, preferences(), vaultLog_);
  }
  return *vaultStore_;
}

ExpeditionStore& AppContext::expeditionStore() {
  if (!expeditionStore_) {
    expeditionStore_ = std::make_unique<ExpeditionStore>(
        linuxFiles(), paths::dataFolder() / ExpeditionStore::FILE_NAME, heroStore(),
        [this] { return now(); }, warnings_);
  }
  return *expeditionStore_;
}

SecretsStore& AppContext::secrets() {
  if (!secrets_) secrets_ = std::make_unique<KeychainFile>(defaultKeychainPath());
  return *secrets_;
}

HttpClient& AppContext::httpClient() {
  if (!httpClient_) httpClient_ = std::make_unique<CurlHttpClient>();
  return *httpClient_;
}

backend::BackendConnection& AppContext::backend() {
  if (!backend_) {
    backend_ = std::make_unique<backend::BackendConnection>(preferences(), secrets(), httpClient(),
                                                            runLoop());
  }
  return *backend_;
}

invites::InviteRegistry& AppContext::inviteRegistry() {
  if (!inviteRegistry_) {
    inviteRegistry_ = std::make_unique<invites::InviteRegistry>(
        linuxFiles(),
        paths::dataFolder() / invites::InviteRegistry::FOLDER / invites::InviteRegistry::FILE_NAME,
        warnings_);
  }
  return *inviteRegistry_;
}

invites::Invitations& AppContext::invitations() {
  if (!invitations_) {
    invitations_ =
        std::make_unique<invites::Invitations>(preferences(), backend(), httpClient(), runLoop(),
                                               inviteRegistry(), [this] { return now(); });
  }
  return *invitations_;
}

backend::ProviderConnections& AppContext::providerConnections() {
  if (!providerConnections_) {
    providerConnections_ =
        std::make_unique<backend::ProviderConnections>(backend(), preferences(), runLoop());
  }
  return *providerConnections_;
}

openings::OpeningsService& AppContext::openings() {
  if (!openings_) {
    openings_ = std::make_unique<openings::OpeningsService>(backend(), preferences(), secrets(),
                                                            calendarStore(), questStore(),
                                                            runLoop(), [this] { return now(); });
  }
  return *openings_;
}

}  // namespace talewick::ui
