// The inhabitants book of this machine, kept in inhabitants-v1.json beside the hero and mirrored
// into the cloud store under "inhabitants.v1", so that the user's machines, each meeting people
// of its own calendar, converge on one book (the merge rules are InhabitantBook's).
//
// Every member runs on the main loop. Cloud writes run on the "inhabitants.kvs-sync" serial
// queue, each on its own copy of the book, in call order.
//
// Every change is made under the file's lock on the book as the file and the cloud hold it at
// that moment, merged with this one, so that no other process's or machine's news is written
// over. A damaged file is set aside (StateFile) and reads as nothing; a damaged cloud value is
// ignored until the next change replaces it; either is said once on the diagnostics stream and
// the book kept as it was. A book with nothing in it is never written over a file that is not
// there.
#pragma once

#include <asio/io_context.hpp>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/cloud_store_port.hpp"
#include "core/file_port.hpp"
#include "core/observers.hpp"
#include "core/run_loop.hpp"
#include "core/state_file.hpp"
#include "kingdom/inhabitant_book.hpp"

namespace talewick {

class InhabitantStore {
 public:
  static constexpr const char* FILE_NAME = "inhabitants-v1.json";
  static constexpr const char* CLOUD_KEY = "inhabitants.v1";
  static constexpr const char* CLOUD_QUEUE = "inhabitants.kvs-sync";

  using Book = InhabitantBook::Book;
  using Refusal = InhabitantBook::Refusal;

  // `saveURL` is the book's file, reached through `files`. Nothing is read before start().
  InhabitantStore(FilePort& files, std::filesystem::path saveURL, KeyValueCloudStore& cloud,
                  asio::io_context& main, SerialQueue& cloudQueue,
                  std::ostream& diagnostics = std::cerr);
  // Waits for the queued cloud writes.
  ~InhabitantStore();
  InhabitantStore(const InhabitantStore&) = delete;
  InhabitantStore& operator=(const InhabitantStore&) = delete;

  // Reads the file, takes in the cloud's book (and gives the cloud what it lacks), then listens
  // to the cloud.
  void start();

  const Book& book() const { return book_; }
  // By id.
  const std::vector<Inhabitant>& inhabitants() const { return book_.inhabitants; }

  // Records the encounters (InhabitantBook::meet); saves only when the book changed. A book that
  // cannot be saved is said on the diagnostics stream: meeting people is never worth failing the
  // refresh that found them. True when the book changed.
  bool meet(const std::vector<InhabitantBook::Encounter>& encounters);

  // The user's decisions. A refusal changes and writes nothing; a book that cannot be saved
  // throws FileError, nothing changed.
  std::optional<Refusal> merge(const std::string& keptID, const std::string& absorbedID);
  std::optional<Refusal> rename(const std::string& id, const std::string& name);

  // Takes in what the file (another process) and the cloud (another machine) hold that this
  // book lacks, and queues a cloud write when the cloud lacks something of this book. True when
  // the book changed.
  bool adoptCloud();

  // `observer` hears every new book. Returns a token for unobserve().
  int observe(std::function<void(const Book&)> observer) {
    return observers_.add(std::move(observer));
  }
  void unobserve(int token) { observers_.remove(token); }

  // Why, in the user's language: one line (the subject as given: the caller makes it safe to
  // show).
  static std::string describe(const Refusal& refusal);

 private:
  // Under the file's lock: merges the file's and the cloud's books into this one, lets `change`
  // edit the result (nullopt: refused, nothing happens; true: the cloud must hear of it), saves
  // and takes the result when it differs. Throws FileError. True when the book changed.
  bool update(const std::function<std::optional<bool>(Book&)>& change);
  std::optional<Book> readCloud() const;
  void writeToCloud(const Book& book);
  void report(const std::string& line) const;

  FilePort& files_;
  StateFile file_;
  std::ostream& diagnostics_;
  mutable std::mutex reportMutex_;
  mutable std::string lastReport_;
  KeyValueCloudStore& cloud_;
  asio::io_context& main_;
  SerialQueue& cloudQueue_;
  Book book_;
  ObserverList<const Book&> observers_;
  int cloudToken_ = 0;
  // Work posted to the main loop holds a weak copy; a released store ends that work.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace talewick
