// What the booking links can fail with. Every message is a sentence for the user, in French by
// default.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace talewick::openings {

class OpeningsError : public std::runtime_error {
 public:
  enum class Kind {
    notConfigured,  // no usable backend address (or no sign-up secret): nothing was sent
    noSlots,        // the calendar leaves no free slot over the horizon: nothing was published
    server,         // the backend refused, could not be reached, or answered something unreadable
    calendarAccess  // the calendar could not be read or written
  };

  static OpeningsError notConfigured();
  static OpeningsError noSlots();
  // `detail`: the backend's own text, or the transport's.
  static OpeningsError server(const std::string& detail);
  static OpeningsError calendarAccess(const std::string& detail);

  // The failure of a backend call as one of the cases above (an OpeningsError stays as it is).
  static std::exception_ptr fromBackend(const std::exception_ptr& failure);

  Kind kind() const { return kind_; }

 private:
  OpeningsError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  Kind kind_;
};

}  // namespace talewick::openings
