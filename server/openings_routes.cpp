#include "server/openings_routes.hpp"

#include <chrono>

#include "server/booking_page.hpp"
#include "server/crypto.hpp"
#include "server/openings.hpp"
#include "server/responses.hpp"
#include "server/time_text.hpp"

namespace talewick::server {
namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

std::int64_t now() { return unixSeconds(std::chrono::system_clock::now()); }

constexpr const char* NO_SUCH_OPENING = "Aucune page de réservation à cette adresse.";
constexpr const char* PUBLIC_PAGE = R"(/b/([A-Za-z0-9_-]{1,64}))";

}  // namespace

OpeningsRoutes::OpeningsRoutes(const Config& config, Storage& storage, Log& log)
    : config_(config), storage_(storage), log_(log) {}

void OpeningsRoutes::mount(httplib::Server& server, const Guard& authenticated) const {
  server.Post("/api/openings", authenticated([this](const OwnerCall& call) { publish(call); }));
  const std::string bookings = R"(/api/openings/([^/]+)/bookings)";
  server.Get(bookings, authenticated([this](const OwnerCall& call) { listBookings(call); }));
  server.Patch(bookings, authenticated([this](const OwnerCall& call) { setBookingStatus(call); }));

  server.Get(PUBLIC_PAGE,
             [this](const Request& request, Response& response) { showPage(request, response); });
  // No CSRF token on this form, on purpose: posting it only asks for a slot under the name and
  // address typed in it, which anyone may do from the page itself. It changes nothing that
  // belongs to a signed-in user (there is none here), and the owner still sees every request.
  server.Post(PUBLIC_PAGE,
              [this](const Request& request, Response& response) { book(request, response); });
}

std::string OpeningsRoutes::publicBase(const Request& request) const {
  if (!config_.publicBaseURL.empty()) return config_.publicBaseURL;
  return "http://" + request.get_header_value("host");
}

void OpeningsRoutes::publish(const OwnerCall& call) const {
  auto read = openings::readOpeningRequest(call.body);
  if (auto* refusal = std::get_if<std::string>(&read)) {
    return sendError(call.response, 400, *refusal);
  }
  auto& request = std::get<openings::OpeningRequest>(read);
  const Opening opening{
      crypto::randomUuid(),          crypto::randomHex(16),    call.userId,
      std::move(request.title),      request.durationMin,      std::move(request.approval),
      std::move(request.conference), std::move(request.slots), now()};
  storage_.addOpening(opening);
  log_.write("info", "opening published",
             {{"opening", opening.id}, {"slots", opening.slots.size()}});
  sendJson(call.response, 200,
           {{"id", opening.id}, {"url", publicBase(call.request) + "/b/" + opening.publicId}});
}

std::optional<Opening> OpeningsRoutes::ownedOpening(const OwnerCall& call) const {
  std::optional<Opening> opening = storage_.opening(call.request.matches[1].str());
  // Another user's opening is answered as one that does not exist: its id tells nothing.
  if (!opening || opening->ownerId != call.userId) {
    sendError(call.response, 404, NO_SUCH_OPENING);
    return std::nullopt;
  }
  return opening;
}

void OpeningsRoutes::listBookings(const OwnerCall& call) const {
  const std::optional<Opening> opening = ownedOpening(call);
  if (!opening) return;
  json list = json::array();
  for (const Booking& booking : storage_.bookings(opening->id)) {
    list.push_back(openings::bookingRecord(booking));
  }
  sendJson(call.response, 200, {{"bookings", std::move(list)}});
}

void OpeningsRoutes::setBookingStatus(const OwnerCall& call) const {
  const std::optional<Opening> opening = ownedOpening(call);
  if (!opening) return;
  const json& body = call.body;
  const auto bookingId = body.is_object() ? body.find("bookingId") : body.end();
  const auto status = body.is_object() ? body.find("status") : body.end();
  if (!body.is_object() || bookingId == body.end() || !bookingId->is_string()) {
    return sendError(call.response, 400, "« bookingId » manque : l'identifiant de la réservation.");
  }
  if (status == body.end() || !status->is_string() ||
      (*status != "confirmed" && *status != "declined")) {
    return sendError(call.response, 400, "« status » : « confirmed » ou « declined ».");
  }
  switch (storage_.setBookingStatus(opening->id, bookingId->get<std::string>(),
                                    status->get<std::string>())) {
    case BookingChange::unknown:
      return sendError(call.response, 404,
                       "Aucune réservation de ce créneau avec cet identifiant.");
    case BookingChange::slotTaken:
      return sendError(call.response, 409,
                       "Ce créneau est déjà tenu par une autre réservation : il ne peut plus être "
                       "confirmé.");
    case BookingChange::done:
      break;
  }
  for (const Booking& booking : storage_.bookings(opening->id)) {
    if (booking.id == *bookingId) {
      return sendJson(call.response, 200, {{"booking", openings::bookingRecord(booking)}});
    }
  }
  sendJson(call.response, 200, json::object());
}

void OpeningsRoutes::showPage(const Request& request, Response& response) const {
  const std::optional<Opening> opening = storage_.openingWithPublicId(request.matches[1].str());
  if (!opening) return sendPage(response, 404, booking_page::missingPage());
  sendPage(response, 200,
           booking_page::formPage(
               *opening, openings::freeSlots(*opening, storage_.bookings(opening->id), now())));
}

void OpeningsRoutes::book(const Request& request, Response& response) const {
  const std::optional<Opening> opening = storage_.openingWithPublicId(request.matches[1].str());
  if (!opening) return sendPage(response, 404, booking_page::missingPage());
  const openings::BookingForm form = openings::readBookingForm(request.body);
  const auto refuse = [&](int status, const std::string& why) {
    const std::vector<std::string> free =
        openings::freeSlots(*opening, storage_.bookings(opening->id), now());
    sendPage(response, status, booking_page::formPage(*opening, free, form, why));
  };
  if (const std::optional<std::string> problem = openings::formProblem(form)) {
    return refuse(400, *problem);
  }
  const std::vector<std::string> free =
      openings::freeSlots(*opening, storage_.bookings(opening->id), now());
  constexpr const char* TAKEN = "Ce créneau n'est plus disponible : choisissez-en un autre.";
  if (std::find(free.begin(), free.end(), form.slot) == free.end()) return refuse(409, TAKEN);
  const Booking booking{crypto::randomUuid(),
                        opening->id,
                        form.slot,
                        form.name,
                        form.email,
                        form.note,
                        opening->approval == "auto" ? "confirmed" : "pending",
                        now()};
  // The look above is only a courtesy: two visitors may pass it together, and the storage gives
  // the slot to one of them.
  if (!storage_.addBooking(booking)) return refuse(409, TAKEN);
  log_.write("info", "slot booked", {{"opening", opening->id}, {"status", booking.status}});
  sendPage(response, 200, booking_page::confirmationPage(*opening, booking));
}

}  // namespace talewick::server
