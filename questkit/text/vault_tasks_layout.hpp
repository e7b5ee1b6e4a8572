// How the family app lays out its notes folder, read from a file's path alone: the family
// profiles at the root, one folder per child with its repeating tasks, the activity files, and the
// credit file this application writes for the family app to consume.
//
// Paths are relative to the folder, with "/" between names. Names are compared in canonical
// composition, so that a name a Mac wrote decomposed ("a" + combining circumflex) is the same
// name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace talewick::VaultTasks {

inline constexpr std::string_view FAMILY_FILE = "famille.md";
inline constexpr std::string_view CHILDREN_FOLDER = "01 - Enfants";
inline constexpr std::string_view CHILD_RECURRING_FILE = "Tâches récurrentes.md";
inline constexpr std::string_view ACTIVITY_PREFIX = "gami-";
inline constexpr std::string_view CREDIT_FILE = "talewick-completions.md";

enum class FileRole {
  notes,                // any other markdown file: its task lines are the user's tasks
  familyProfiles,       // "famille.md" at the root
  childRecurringTasks,  // "01 - Enfants/<child>/Tâches récurrentes.md"
  activity,             // a file whose name begins with "gami-", anywhere
  credits,              // "talewick-completions.md" at the root
  ignored,              // not markdown, or inside a hidden folder (".obsidian/", ".trash/")
};

FileRole roleOf(std::string_view relativePath);

// The child's folder name for a path inside "01 - Enfants/<child>/"; nullopt elsewhere.
std::optional<std::string> childOf(std::string_view relativePath);

}  // namespace talewick::VaultTasks
