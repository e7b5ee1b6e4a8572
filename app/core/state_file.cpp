#include "core/state_file.hpp"

#include <cerrno>

#include "support/loc.hpp"

namespace talewick {

StateFile::StateFile(FilePort& files, std::filesystem::path path, std::ostream& diagnostics)
    : files_(files), path_(std::move(path)), diagnostics_(diagnostics) {}

void StateFile::say(const std::string& line) {
  // A store reads its file again before each change: a lasting problem is said once.
  if (line == lastSaid_) return;
  lastSaid_ = line;
  diagnostics_ << "talewick : " << line << '\n';
}

std::optional<std::string> StateFile::readOrReport() {
  try {
    std::optional<std::string> bytes = files_.read(path_);
    keep_.reset();
    return bytes;
  } catch (const FileError& e) {
    say(e.what());
    keep_ = FileError(path_, e.code(),
                      Loc::format(Loc::string("file.error.keepUnreadable",
                                              "%@ est illisible (%@) : il n'est pas remplacé"),
                                  {path_.string(), describeFileProblem(e.code())}));
    return std::nullopt;
  }
}

void StateFile::setAside() {
  const std::filesystem::path aside = path_.string() + ".damaged";
  try {
    files_.moveAside(path_, aside);
    say(Loc::format(
        Loc::string("file.damaged.setAside", "%@ endommagé : lu comme vide ; copie gardée sous %@"),
        {path_.string(), aside.string()}));
  } catch (const FileError& e) {
    say(Loc::format(Loc::string("file.damaged.kept", "%@ endommagé : lu comme vide (%@)"),
                    {path_.string(), e.what()}));
    keep_ = FileError(path_, e.code(),
                      Loc::format(Loc::string("file.error.keepDamaged",
                                              "%@ est endommagé et n'a pas pu être mis de côté : "
                                              "il n'est pas remplacé"),
                                  {path_.string()}));
  }
}

void StateFile::write(const Json& value) {
  // Invalid UTF-8 in a text is replaced rather than allowed to make the record unwritable.
  writeBytes(value.dump(-1, ' ', false, Json::error_handler_t::replace));
}

void StateFile::writeBytes(const std::string& bytes) {
  if (keep_) throw *keep_;
  files_.writeAtomically(path_, bytes, FilePort::OWNER_ONLY);
}

}  // namespace talewick
