#include "ui/store_watches.hpp"

#include "core/hero_store.hpp"
#include "platform/cloud_folder.hpp"
#include "platform/file_preferences.hpp"
#include "platform/paths.hpp"
#include "ui/context.hpp"

namespace talewick::ui {

bool worthALook(FileWatch& watch, std::chrono::steady_clock::time_point& lastLook) {
  const auto now = std::chrono::steady_clock::now();
  if (!watch.drain() && now - lastLook < StoreWatches::FALLBACK_LOOK) return false;
  lastLook = now;
  return true;
}

StoreWatches::StoreWatches(AppContext& app) : app_(app), remindersSettle_(app.runLoop().main()) {}

StoreWatches::~StoreWatches() = default;

void StoreWatches::start(PreferencesChanged preferencesChanged) {
  preferencesChanged_ = std::move(preferencesChanged);
  watchCalendar();
  watchReminders();
  watchPreferences();
  watchCloud();
  watchHero();
}

void StoreWatches::watchCalendar() {
  if (AppContext::calendarDisabled()) return;
  app_.calendarStore();  // makes the default folder when there is none yet
  calendarWatch_ = std::make_unique<FileWatch>(
      std::vector{paths::calendarFolder(app_.preferences()).path}, FileWatch::Depth::subfolders);
  calendarLoop_ = std::make_unique<LoopWatch>(app_.runLoop().main(), calendarWatch_->fd(),
                                              FALLBACK_LOOK, [this] {
                                                // The store's cache makes a reload that finds
                                                // nothing new cheap: the fallback reloads too.
                                                if (worthALook(*calendarWatch_, calendarLooked_))
                                                  app_.questStore().calendarStoreChanged();
                                              });
}

void StoreWatches::watchReminders() {
  if (AppContext::calendarDisabled()) return;
  remindersWatch_ = std::make_unique<FileWatch>(
      std::vector{paths::remindersFolder(app_.preferences()).path}, FileWatch::Depth::subfolders);
  remindersLoop_ = std::make_unique<LoopWatch>(
      app_.runLoop().main(), remindersWatch_->fd(), FALLBACK_LOOK, [this] {
        if (!worthALook(*remindersWatch_, remindersLooked_)) return;
        remindersSettle_.expires_after(REMINDERS_SETTLE);
        remindersSettle_.async_wait([this](const std::error_code& error) {
          if (!error) app_.kingdom().refreshAuxiliary({false, false});
        });
      });
}

void StoreWatches::watchPreferences() {
  auto* prefs = dynamic_cast<FilePreferences*>(&app_.preferences());
  if (!prefs) return;
  prefs->observe([this](const std::vector<std::string>& keys) {
    bool selection = false;
    for (const std::string& key : keys)
      selection = selection || CalendarSelection::isSelectionKey(key);
    if (selection) app_.selection().reload();
    if (preferencesChanged_) preferencesChanged_(keys);
    app_.questStore().coalescedReload();
  });
  prefsWatch_ = std::make_unique<FileWatch>(std::vector{prefs->path()});
  prefsLoop_ = std::make_unique<LoopWatch>(app_.runLoop().main(), prefsWatch_->fd(), FALLBACK_LOOK,
                                           [this, prefs] {
                                             prefsWatch_->drain();
                                             prefs->reloadIfChanged();
                                           });
}

void StoreWatches::watchCloud() {
  auto* cloud = dynamic_cast<CloudFolderStore*>(&app_.cloudStore());
  if (!cloud) return;
  cloud->observeExternalChanges(
      [this](const std::vector<std::string>& keys) { app_.questStore().cloudChanged(keys); });
  cloudLoop_ =
      std::make_unique<LoopWatch>(app_.runLoop().main(), cloud->watchDescriptor(), FALLBACK_LOOK,
                                  [cloud] { cloud->processExternalChanges(); });
}

// Another process (a command, a second window) that changes the hero writes its file under the
// lock first: the store takes in what it wrote.
void StoreWatches::watchHero() {
  HeroStore& hero = app_.heroStore();
  heroWatch_ = std::make_unique<FileWatch>(std::vector{paths::dataFolder() / HeroStore::FILE_NAME});
  heroLoop_ = std::make_unique<LoopWatch>(app_.runLoop().main(), heroWatch_->fd(), FALLBACK_LOOK,
                                          [this, &hero] {
                                            if (heroWatch_->drain()) hero.adoptCloudIfBetter();
                                          });
}

}  // namespace talewick::ui
