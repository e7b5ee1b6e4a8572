#include "core/inhabitant_store.hpp"

#include <algorithm>
#include <asio/post.hpp>

#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick {

namespace {

// Invalid UTF-8 in a name is replaced rather than allowed to make the book unwritable.
std::string encodeBook(const InhabitantStore::Book& book) {
  return json_coding::encode(book).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string damagedCloudLine(const DecodeError& e) {
  return Loc::format(Loc::string("inhabitants.cloud.damaged",
                                 "le livre des habitants du nuage (« %@ ») est endommagé (%@) : "
                                 "il est ignoré jusqu'au prochain changement"),
                     {InhabitantStore::CLOUD_KEY, e.what()});
}

}  // namespace

InhabitantStore::InhabitantStore(FilePort& files, std::filesystem::path saveURL,
                                 KeyValueCloudStore& cloud, asio::io_context& main,
                                 SerialQueue& cloudQueue, std::ostream& diagnostics)
    : files_(files),
      file_(files, std::move(saveURL), diagnostics),
      diagnostics_(diagnostics),
      cloud_(cloud),
      main_(main),
      cloudQueue_(cloudQueue) {}

InhabitantStore::~InhabitantStore() {
  alive_.reset();
  if (cloudToken_ != 0) cloud_.unobserve(cloudToken_);
  cloudQueue_.waitUntilIdle();
}

void InhabitantStore::start() {
  book_ = file_.load<Book>().value_or(Book{});
  adoptCloud();
  std::weak_ptr<bool> alive = alive_;
  cloudToken_ = cloud_.observeExternalChanges([this, alive](const std::vector<std::string>& keys) {
    if (!keys.empty() && std::find(keys.begin(), keys.end(), CLOUD_KEY) == keys.end()) return;
    asio::post(main_, [this, alive] {
      if (alive.lock()) adoptCloud();
    });
  });
  cloud_.synchronize();
}

void InhabitantStore::report(const std::string& line) const {
  // Called from the cloud queue too. A problem that lasts is said once, not at every change.
  std::lock_guard lock(reportMutex_);
  if (line == lastReport_) return;
  lastReport_ = line;
  // A damaged value's own words may be part of the line.
  diagnostics_ << "talewick : " << text::terminalSafe(line) << '\n';
}

std::optional<InhabitantStore::Book> InhabitantStore::readCloud() const {
  const std::optional<std::string> bytes = cloud_.data(CLOUD_KEY);
  if (!bytes) return std::nullopt;
  try {
    return decodeJsonText<Book>(*bytes);
  } catch (const DecodeError& e) {
    report(damagedCloudLine(e));
    return std::nullopt;
  }
}

void InhabitantStore::writeToCloud(const Book& book) {
  cloudQueue_.async([this, book] {
    try {
      // Another machine may have written since this book was merged: what it wrote stays.
      mergeIntoCloud(cloud_, CLOUD_KEY,
                     [&](const std::optional<std::string>& bytes) -> std::optional<std::string> {
                       std::optional<Book> stored;
                       if (bytes) {
                         try {
                           stored = decodeJsonText<Book>(*bytes);
                         } catch (const DecodeError&) {
                           // Already reported on the main loop; the book written now replaces it.
                         }
                       }
                       const Book next = stored ? InhabitantBook::merged(*stored, book) : book;
                       if (stored == next) return std::nullopt;
                       return encodeBook(next);
                     });
      cloud_.synchronize();
    } catch (const std::system_error& e) {
      // The file holds the book; the next change writes to the cloud again.
      report(e.what());
    }
  });
}

bool InhabitantStore::update(const std::function<std::optional<bool>(Book&)>& change) {
  std::unique_ptr<FilePort::Lock> lock;
  try {
    lock = files_.lock(file_.path().string() + ".lock");
  } catch (const FileError& e) {
    // The lock lives beside the book: the user needs to hear about the book.
    throw FileError(FileAction::write, file_.path(), e.code());
  }
  Book next = book_;
  const std::optional<Book> onDisk = file_.load<Book>();
  if (onDisk) next = InhabitantBook::merged(next, *onDisk);
  const std::optional<Book> cloud = readCloud();
  if (cloud) next = InhabitantBook::merged(next, *cloud);
  const std::optional<bool> ours = change(next);
  if (!ours) return false;
  const bool fileBehind = onDisk ? *onDisk != next : next != Book{};
  if (fileBehind) file_.save(next);
  lock.reset();
  const bool changed = next != book_;
  if (changed) {
    book_ = std::move(next);
    observers_.notify(book_);
  }
  const bool cloudBehind =
      cloud ? InhabitantBook::merged(*cloud, book_) != *cloud : book_ != Book{};
  if (*ours || cloudBehind) writeToCloud(book_);
  return changed;
}

bool InhabitantStore::adoptCloud() {
  try {
    return update([](Book&) { return false; });
  } catch (const FileError& e) {
    report(e.what());
    return false;
  }
}

bool InhabitantStore::meet(const std::vector<InhabitantBook::Encounter>& encounters) {
  try {
    return update([&](Book& next) { return InhabitantBook::meet(next, encounters); });
  } catch (const FileError& e) {
    report(e.what());
    return false;
  }
}

std::optional<InhabitantStore::Refusal> InhabitantStore::merge(const std::string& keptID,
                                                               const std::string& absorbedID) {
  std::optional<Refusal> refusal;
  update([&](Book& next) -> std::optional<bool> {
    refusal = InhabitantBook::mergeInhabitants(next, keptID, absorbedID);
    if (refusal) return std::nullopt;
    return true;
  });
  return refusal;
}

std::optional<InhabitantStore::Refusal> InhabitantStore::rename(const std::string& id,
                                                                const std::string& name) {
  std::optional<Refusal> refusal;
  update([&](Book& next) -> std::optional<bool> {
    refusal = InhabitantBook::rename(next, id, name);
    if (refusal) return std::nullopt;
    return true;
  });
  return refusal;
}

std::string InhabitantStore::describe(const Refusal& refusal) {
  using Reason = Refusal::Reason;
  switch (refusal.reason) {
    case Reason::unknownInhabitant:
      return Loc::format(Loc::string("inhabitants.error.unknown", "habitant inconnu : %@"),
                         {refusal.subject});
    case Reason::sameInhabitant:
      return Loc::format(Loc::string("inhabitants.error.same",
                                     "un habitant ne peut pas être fusionné avec lui-même : %@"),
                         {refusal.subject});
    case Reason::emptyName:
      return Loc::string("inhabitants.error.emptyName", "le nom est vide");
    case Reason::controlCharacters:
      return Loc::string("inhabitants.error.controlCharacters",
                         "le nom contient des caractères de contrôle");
  }
  return "";
}

}  // namespace talewick
