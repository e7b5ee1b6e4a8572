#include "text/vault_tasks_layout.hpp"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <vector>

namespace talewick::VaultTasks {
namespace {

std::string composed(std::string_view path) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return std::string(path);
  const icu::UnicodeString normalized =
      nfc->normalize(icu::UnicodeString::fromUTF8(
                         icu::StringPiece(path.data(), static_cast<int32_t>(path.size()))),
                     status);
  if (U_FAILURE(status)) return std::string(path);
  std::string out;
  normalized.toUTF8String(out);
  return out;
}

// The names of the path, "." and empty names (a leading "./", doubled slashes) left out.
std::vector<std::string> namesOf(std::string_view relativePath) {
  const std::string path = composed(relativePath);
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    std::string name = path.substr(start, slash - start);
    if (!name.empty() && name != ".") names.push_back(std::move(name));
    start = slash + 1;
  }
  return names;
}

bool isMarkdown(std::string_view name) {
  if (name.size() < 3) return false;
  const std::string_view ext = name.substr(name.size() - 3);
  return ext[0] == '.' && (ext[1] == 'm' || ext[1] == 'M') && (ext[2] == 'd' || ext[2] == 'D');
}

bool isChildPath(const std::vector<std::string>& names) {
  return names.size() >= 3 && names[0] == CHILDREN_FOLDER;
}

}  // namespace

FileRole roleOf(std::string_view relativePath) {
  const std::vector<std::string> names = namesOf(relativePath);
  if (names.empty()) return FileRole::ignored;
  for (const std::string& name : names) {
    if (name.starts_with('.')) return FileRole::ignored;
  }
  const std::string& name = names.back();
  if (name.starts_with(ACTIVITY_PREFIX)) return FileRole::activity;
  if (!isMarkdown(name)) return FileRole::ignored;
  if (names.size() == 1 && name == FAMILY_FILE) return FileRole::familyProfiles;
  if (names.size() == 1 && name == CREDIT_FILE) return FileRole::credits;
  if (names.size() == 3 && isChildPath(names) && name == CHILD_RECURRING_FILE) {
    return FileRole::childRecurringTasks;
  }
  return FileRole::notes;
}

std::optional<std::string> childOf(std::string_view relativePath) {
  const std::vector<std::string> names = namesOf(relativePath);
  if (!isChildPath(names)) return std::nullopt;
  return names[1];
}

}  // namespace talewick::VaultTasks
