#include "core/file_port.hpp"

#include <cerrno>

#include "support/loc.hpp"

namespace talewick {

namespace {

std::string actionText(FileAction action) {
  switch (action) {
    case FileAction::read:
      return Loc::string("file.error.read", "impossible de lire %@ : %@");
    case FileAction::write:
      return Loc::string("file.error.write", "impossible d'enregistrer %@ : %@");
    case FileAction::moveAside:
      return Loc::string("file.error.moveAside", "impossible de mettre de côté %@ : %@");
    case FileAction::lock:
      return Loc::string("file.error.lock", "impossible de verrouiller %@ : %@");
  }
  return "%@ : %@";
}

}  // namespace

std::string describeFileProblem(std::error_code code) {
  if (code.category() != std::generic_category() && code.category() != std::system_category()) {
    return code.message();
  }
  switch (code.value()) {
    case EACCES:
    case EPERM:
      return Loc::string("file.problem.permission", "permission refusée");
    case EROFS:
      return Loc::string("file.problem.readOnly", "système de fichiers en lecture seule");
    case ENOSPC:
    case EDQUOT:
      return Loc::string("file.problem.full", "plus de place sur le disque");
    case EISDIR:
      return Loc::string("file.problem.isFolder", "un dossier occupe sa place");
    case ENOTDIR:
      return Loc::string("file.problem.notFolder", "un fichier occupe la place d'un dossier");
    case ENOENT:
      return Loc::string("file.problem.missing", "introuvable");
    case EEXIST:
      return Loc::string("file.problem.exists", "existe déjà");
    case ENAMETOOLONG:
      return Loc::string("file.problem.nameTooLong", "chemin trop long");
    case ELOOP:
      return Loc::string("file.problem.loop", "trop de liens symboliques");
    case EAGAIN:
      return Loc::string("file.problem.busy", "modifié sans cesse par un autre programme");
    case EIO:
      return Loc::string("file.problem.io", "erreur d'entrée-sortie du disque");
    default:
      return Loc::format(Loc::string("file.problem.other", "erreur système %@"),
                         {std::to_string(code.value())});
  }
}

FileError::FileError(FileAction action, const std::filesystem::path& path, std::error_code code)
    : FileError(path, code,
                Loc::format(actionText(action), {path.string(), describeFileProblem(code)})) {}

FileError::FileError(const std::filesystem::path& path, std::error_code code,
                     const std::string& message)
    : std::system_error(code, message), path_(path), message_(message) {}

}  // namespace talewick
