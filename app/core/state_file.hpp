// One small JSON file a kingdom store keeps beside the hero document, one record in it.
//
// A missing file reads as nothing, and so does a damaged one (the store starts from its empty
// state): a damaged file is first moved aside to NAME.damaged and the diagnostics stream hears
// once which file it was and where its copy is. A file that cannot be read, or a damaged one that
// could not be moved aside, is never replaced: save() refuses. save() writes the whole record as
// compact JSON (dates as seconds since 2001) atomically, and throws FileError when it cannot;
// stores save before they change their state, so a failed save leaves them as they were.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "core/file_port.hpp"
#include "support/json.hpp"

namespace talewick {

class StateFile {
 public:
  StateFile(FilePort& files, std::filesystem::path path, std::ostream& diagnostics);

  template <class T>
  std::optional<T> load() {
    const std::optional<std::string> bytes = readOrReport();
    if (!bytes) return std::nullopt;
    try {
      return decodeJsonText<T>(*bytes);
    } catch (const DecodeError&) {
      setAside();
      return std::nullopt;
    }
  }

  template <class T>
  void save(const T& value) {
    write(json_coding::encode(value));
  }
  // Replaces the file with `bytes` (already encoded); same refusals as save().
  void writeBytes(const std::string& bytes);

  const std::filesystem::path& path() const { return path_; }

 private:
  std::optional<std::string> readOrReport();
  void setAside();
  void say(const std::string& line);
  void write(const Json& value);

  FilePort& files_;
  std::filesystem::path path_;
  std::ostream& diagnostics_;
  // Set when the file on disk must not be replaced; save() throws it.
  std::optional<FileError> keep_;
  std::string lastSaid_;
};

}  // namespace talewick
