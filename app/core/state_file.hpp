// The small JSON files the kingdom stores keep beside the hero document, one record each.
//
// A missing, unreadable or undecodable file reads as nothing (the store starts from its empty
// state) and is left in place until the next write replaces it. Writes encode the whole record as
// compact JSON (dates as seconds since 2001) and replace the file atomically; a failed write is
// reported by the return value only, and the store's state in memory stays authoritative.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/atomic_file.hpp"
#include "support/json.hpp"

namespace talewick::StateFile {

template <class T>
std::optional<T> load(const std::filesystem::path& path) {
  const std::optional<std::string> bytes = files::read(path);
  if (!bytes) return std::nullopt;
  try {
    return decodeJsonText<T>(*bytes);
  } catch (const DecodeError&) {
    return std::nullopt;
  }
}

// True when the file now holds `value`.
bool write(const std::filesystem::path& path, const Json& value);

template <class T>
bool persist(const std::filesystem::path& path, const T& value) {
  return write(path, json_coding::encode(value));
}

}  // namespace talewick::StateFile
