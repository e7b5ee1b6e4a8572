// The stores' only way to their files. The program wires the Linux files (platform/linux_files);
// tests wire an in-memory one that can refuse any read or write (tests/support/memory_files).
//
// Failures are FileError: one line in the user's language naming the file and what went wrong,
// so that whoever shows it needs no other context.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace talewick {

enum class FileAction { read, write, moveAside, lock };

class FileError : public std::system_error {
 public:
  // The message says what `action` met on `path`, in the user's language.
  FileError(FileAction action, const std::filesystem::path& path, std::error_code code);
  // A failure the system did not report (a file the program refuses to replace, say).
  FileError(const std::filesystem::path& path, std::error_code code, const std::string& message);
  const std::filesystem::path& path() const { return path_; }
  // The message alone: std::system_error would append the system's own text, in English.
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::filesystem::path path_;
  std::string message_;
};

// What went wrong, in the user's language ("permission refusée", "c'est un dossier"...).
std::string describeFileProblem(std::error_code code);

class FilePort {
 public:
  // Held while alive; released by the destructor.
  class Lock {
   public:
    virtual ~Lock() = default;
  };

  static constexpr std::filesystem::perms OWNER_ONLY =
      std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;

  virtual ~FilePort() = default;

  // The file's bytes; nullopt when nothing is there. Throws FileError when something is there
  // that cannot be read (no permission, a folder in the file's place).
  virtual std::optional<std::string> read(const std::filesystem::path& path) = 0;
  // Replaces `path` with `data` whole, creating missing parent folders: a reader sees the old
  // bytes or the new ones, never a mix. Throws FileError; the previous file is then untouched.
  virtual void writeAtomically(const std::filesystem::path& path, std::string_view data,
                               std::filesystem::perms mode = OWNER_ONLY) = 0;
  // Renames `path` to `aside`, replacing what was there. Throws FileError.
  virtual void moveAside(const std::filesystem::path& path, const std::filesystem::path& aside) = 0;
  // Waits until no other process holds the lock named `path` (a file beside the document it
  // guards), then holds it. Throws FileError when it cannot be taken.
  virtual std::unique_ptr<Lock> lock(const std::filesystem::path& path) = 0;
};

}  // namespace talewick
