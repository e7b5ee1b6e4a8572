// The one storage port of the server: users and the hashes of their keys, the provider accounts
// they connected, the OAuth round trips under way, and the booking links with their bookings.
// Engines implement it (SQLite in one process; later PostgreSQL shared by several); the routes see
// only this interface.
//
// Every method may be called from any thread at once; a failure of the engine throws
// StorageError.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "server/config.hpp"
#include "server/invitation.hpp"
#include "server/sql_session.hpp"

namespace talewick::server {

struct StorageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One provider account connected by a user. A provider may hold several per user (a workspace
// each); the others hold one at most.
struct ProviderConnection {
  std::string provider;  // the provider's segment
  std::string id;        // the account's identifier at the provider
  // The account's descriptive fields as the user sees them (a label, a workspace's name): a
  // JSON object.
  nlohmann::json profile = nlohmann::json::object();
  std::optional<std::int64_t> connectedAt;  // seconds since 1970 (UTC)
  // The provider's tokens for the account (a JSON object: access and refresh tokens, expiry),
  // sealed by tokens::seal; empty when none were given. Never sent to a client.
  std::string sealedTokens;
  bool operator==(const ProviderConnection&) const = default;
};

// An OAuth round trip started by a user and not yet finished by the provider's callback.
struct OAuthState {
  std::string state;  // the random value the provider sends back
  std::string userId;
  std::string provider;
  std::string codeVerifier;  // the PKCE secret, sent with the code in the token exchange
  std::int64_t createdAt = 0;
  bool operator==(const OAuthState&) const = default;
};

// A booking link: free slots of its owner's calendar that visitors may ask for.
struct Opening {
  std::string id;        // named in its owner's calls
  std::string publicId;  // the page's address: unguessable, and never the row id
  std::string ownerId;
  std::string title;
  std::int64_t durationMin = 0;
  std::string approval;    // "auto": bookings are confirmed at once; "manual": they wait
  std::string conference;  // where the meeting takes place, as the owner wrote it; may be empty
  std::vector<std::string> slots;  // ISO 8601 starts with their UTC offset, as the owner sent them
  std::int64_t createdAt = 0;      // seconds since 1970 (UTC)
  bool operator==(const Opening&) const = default;
};

// A visitor's request for one slot of an opening.
struct Booking {
  std::string id;
  std::string openingId;
  std::string slot;  // one of the opening's slots, as written there
  std::string name, email, note;
  std::string status;  // "pending", "confirmed" or "declined"
  std::int64_t createdAt = 0;
  bool operator==(const Booking&) const = default;
};

enum class BookingChange {
  done,
  unknown,   // no booking with that id on that opening
  slotTaken  // confirming again a declined booking whose slot another booking holds now
};

class Storage {
 public:
  virtual ~Storage() = default;

  // Records a new user, known from now on by `keyHash` (the SHA-256 of the user's key, in
  // hexadecimal: the key itself is never stored).
  virtual void addUser(const std::string& userId, const std::string& keyHash,
                       std::int64_t createdAt) = 0;

  // The user whose key has `keyHash`; nullopt when no user has it.
  virtual std::optional<std::string> userWithKeyHash(const std::string& keyHash) = 0;

  // The user's connections to `provider`, the latest connected first.
  virtual std::vector<ProviderConnection> connections(const std::string& userId,
                                                      const std::string& provider) = 0;

  // Adds the connection, or replaces the user's connection with the same provider and id.
  virtual void saveConnection(const std::string& userId, const ProviderConnection& connection) = 0;

  // Forgets the user's connections to `provider` (none is not an error).
  virtual void removeConnections(const std::string& userId, const std::string& provider) = 0;

  // Records a round trip, replacing the one the same user may have left unfinished with the same
  // provider (a user who starts again abandons the first attempt).
  virtual void saveOAuthState(const OAuthState& state) = 0;

  // The round trip of `state`, forgotten at once so that a callback can use it only once;
  // nullopt when none has that state.
  virtual std::optional<OAuthState> takeOAuthState(const std::string& state) = 0;

  // Records a new opening (its id and public id are new).
  virtual void addOpening(const Opening& opening) = 0;
  // The opening with that id, or with that public id; nullopt when none has it.
  virtual std::optional<Opening> opening(const std::string& id) = 0;
  virtual std::optional<Opening> openingWithPublicId(const std::string& publicId) = 0;

  // Records the booking unless a booking not declined holds its slot already: false then, and
  // nothing is written. Atomic across threads and processes: of two visitors asking for the same
  // slot at once, one gets it.
  virtual bool addBooking(const Booking& booking) = 0;
  // The bookings of the opening, oldest first.
  virtual std::vector<Booking> bookings(const std::string& openingId) = 0;
  // Sets the status of the opening's booking. A declined booking frees its slot.
  virtual BookingChange setBookingStatus(const std::string& openingId, const std::string& bookingId,
                                         const std::string& status) = 0;

  // Records an invitation, or its new revision when its owner sends it again: the guests become
  // `invitation.guests`, those still invited keeping their answers. Returns false, storing
  // nothing, when the UID belongs to another user or the token to another invitation.
  virtual bool saveInvitation(const Invitation& invitation) = 0;

  // The invitation with that UID (or token), its guests with their answers; nullopt when none.
  virtual std::optional<Invitation> invitation(const std::string& uid) = 0;
  virtual std::optional<Invitation> invitationWithToken(const std::string& token) = 0;

  // Records a guest's answer to the invitation `uid`. Returns false, changing nothing, when
  // `email` (any case) is not one of its guests. A missing comment keeps none.
  virtual bool saveAnswer(const std::string& uid, const std::string& email,
                          const std::string& status, std::int64_t respondedAt,
                          const std::optional<std::string>& comment) = 0;

  // Runs `work` in one transaction, committed when it returns and rolled back when it throws:
  // the guild, world boss and vigil stores write their statements once for both engines.
  virtual void inSqlTransaction(const std::function<void(SqlSession&)>& work) = 0;
  // The same for `work` that only reads, which an engine may run beside other reads and writes:
  // each of its statements sees what was committed when it began. Not for writes.
  virtual void inSqlReading(const std::function<void(SqlSession&)>& work) {
    inSqlTransaction(work);
  }
};

// The slots of an opening as the engines store them (a JSON array of strings), and back.
// slotsFromText throws StorageError for a damaged column.
std::string slotsText(const std::vector<std::string>& slots);
std::vector<std::string> slotsFromText(const std::string& text);

// The storage `database` names, ready for use (its schema brought up to date). Throws
// StorageError with one line when it cannot be opened, and for an engine this version does not
// offer yet.
std::unique_ptr<Storage> openStorage(const DatabaseLocation& database);

}  // namespace talewick::server
