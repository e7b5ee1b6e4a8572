// Booking links on the server: the owner's calls (publish an opening, list its bookings, confirm
// or decline one; under the caller's key, on the caller's own openings only) and the public page
// visitors book from, at "/b/PUBLICID".
#pragma once

#include <httplib.h>

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "server/config.hpp"
#include "server/log.hpp"
#include "server/storage.hpp"

namespace talewick::server {

class OpeningsRoutes {
 public:
  // One authenticated call: the caller and the request's JSON body (null when empty).
  struct OwnerCall {
    const httplib::Request& request;
    httplib::Response& response;
    const std::string& userId;
    const nlohmann::json& body;
  };
  using OwnerHandler = std::function<void(const OwnerCall&)>;
  // Wraps a handler into a route that first checks the key and the body (401, 400).
  using Guard = std::function<httplib::Server::Handler(OwnerHandler)>;

  // `config`, `storage` and `log` outlive every server the routes are mounted on.
  OpeningsRoutes(const Config& config, Storage& storage, Log& log);

  // Installs the routes; mount before any catch-all route under "/api/".
  void mount(httplib::Server& server, const Guard& authenticated) const;

 private:
  void publish(const OwnerCall& call) const;
  void listBookings(const OwnerCall& call) const;
  void setBookingStatus(const OwnerCall& call) const;
  void showPage(const httplib::Request& request, httplib::Response& response) const;
  void book(const httplib::Request& request, httplib::Response& response) const;

  // The opening the path names, when the caller owns it; answers 404 otherwise.
  std::optional<Opening> ownedOpening(const OwnerCall& call) const;
  // Where browsers reach this server: the configured public address, else the address the
  // request came to.
  std::string publicBase(const httplib::Request& request) const;

  const Config& config_;
  Storage& storage_;
  Log& log_;
};

}  // namespace talewick::server
