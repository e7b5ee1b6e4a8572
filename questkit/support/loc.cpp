#include "support/loc.hpp"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "support/content.hpp"

namespace talewick::Loc {
namespace {

Language languageFromEnvironment() {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) {
      return std::string_view(value).starts_with("en") ? Language::en : Language::fr;
    }
  }
  return Language::fr;
}

std::atomic<int> gLanguage{-1};

struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using Table = std::unordered_map<std::string, std::string, TextHash, std::equal_to<>>;

const Table& englishTable() {
  static const Table table = [] {
    Table t;
    for (const auto& file : content::files()) {
      if (!file.path.starts_with("en/")) continue;
      const Json texts = content::json(file.path);
      for (const auto& [key, value] : texts.items()) {
        t.emplace(key, value.get<std::string>());
      }
    }
    return t;
  }();
  return table;
}

}  // namespace

Language language() {
  int value = gLanguage.load(std::memory_order_relaxed);
  if (value < 0) {
    value = static_cast<int>(languageFromEnvironment());
    gLanguage.store(value, std::memory_order_relaxed);
  }
  return static_cast<Language>(value);
}

void setLanguage(Language l) { gLanguage.store(static_cast<int>(l), std::memory_order_relaxed); }

std::string string(std::string_view key, std::string_view frenchDefault) {
  if (language() == Language::en) {
    const Table& table = englishTable();
    if (auto it = table.find(key); it != table.end()) return it->second;
  }
  return std::string(frenchDefault);
}

std::string format(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(text.size() + 32);
  auto arg = args.begin();
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t found = text.find("%@", pos);
    if (found == std::string_view::npos || arg == args.end()) {
      out.append(text.substr(pos));
      break;
    }
    out.append(text.substr(pos, found - pos));
    out.append(*arg++);
    pos = found + 2;
  }
  return out;
}

std::string counted(int64_t n, std::string_view key, std::string_view one, std::string_view many) {
  const bool singular = language() == Language::en ? (n == 1 || n == -1) : (n >= -1 && n <= 1);
  const std::string text =
      singular ? string(std::string(key) + ".one", one) : string(std::string(key) + ".many", many);
  return format(text, {std::to_string(n)});
}

}  // namespace talewick::Loc
