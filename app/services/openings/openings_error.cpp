#include "services/openings/openings_error.hpp"

#include "services/backend/backend_error.hpp"
#include "support/loc.hpp"

namespace talewick::openings {

OpeningsError OpeningsError::notConfigured() {
  return {Kind::notConfigured,
          Loc::string("openings.error.notConfigured",
                      "Liens de réservation indisponibles : aucun backend configuré "
                      "(talewick backend URL --secret SECRET).")};
}

OpeningsError OpeningsError::noSlots() {
  return {Kind::noSlots, Loc::string("openings.error.noSlots",
                                     "Aucun créneau libre sur la période : rien n'est publié.")};
}

OpeningsError OpeningsError::server(const std::string& detail) {
  return {
      Kind::server,
      Loc::format(Loc::string("openings.error.server", "Serveur de réservation : %@"), {detail})};
}

OpeningsError OpeningsError::calendarAccess(const std::string& detail) {
  return {Kind::calendarAccess,
          Loc::format(Loc::string("openings.error.calendar", "Calendrier inaccessible : %@"),
                      {detail})};
}

std::exception_ptr OpeningsError::fromBackend(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const OpeningsError&) {
    return failure;
  } catch (const backend::BackendError& e) {
    using BackendKind = backend::BackendError::Kind;
    if (e.kind() == BackendKind::notConfigured || e.kind() == BackendKind::noSignupSecret) {
      return std::make_exception_ptr(notConfigured());
    }
    return std::make_exception_ptr(server(e.what()));
  } catch (...) {
    return std::make_exception_ptr(server(backend::failureText(failure)));
  }
}

}  // namespace talewick::openings
