#include "text/rsvp_record.hpp"

#include <algorithm>
#include <tuple>

#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick {

using json_coding::Field;

static const auto kEntryFields =
    std::tuple{Field{"email", &RSVPEntry::email}, Field{"name", &RSVPEntry::name},
               Field{"status", &RSVPEntry::status}, Field{"respondedAt", &RSVPEntry::respondedAt},
               Field{"comment", &RSVPEntry::comment}};
TALEWICK_JSON_CODING(RSVPEntry, kEntryFields)

static const auto kRecordFields =
    std::tuple{Field{"uid", &RSVPRecord::uid}, Field{"sequence", &RSVPRecord::sequence},
               Field{"invitees", &RSVPRecord::invitees}};
TALEWICK_JSON_CODING(RSVPRecord, kRecordFields)

namespace {

// The localised format takes two counts, written as "%lld" in the order given.
std::string withCounts(std::string format, int64_t first, int64_t second) {
  for (const int64_t n : {first, second}) {
    const size_t at = format.find("%lld");
    if (at == std::string::npos) break;
    format.replace(at, 4, std::to_string(n));
  }
  return format;
}

bool isOlder(const RSVPEntry& incoming, const RSVPEntry& known) {
  return incoming.respondedAt && known.respondedAt && *incoming.respondedAt < *known.respondedAt;
}

// What is known of one person once `incoming` is read after `known`.
void fold(RSVPEntry& known, const RSVPEntry& incoming) {
  if (!known.name || known.name->empty()) known.name = incoming.name;
  if (!hasResponded(incoming.status)) return;
  if (hasResponded(known.status) && isOlder(incoming, known)) return;
  if (incoming.status == known.status) {
    if (incoming.respondedAt) known.respondedAt = incoming.respondedAt;
    if (incoming.comment) known.comment = incoming.comment;
    return;
  }
  known.status = incoming.status;
  known.respondedAt = incoming.respondedAt;
  known.comment = incoming.comment;
}

}  // namespace

int64_t RSVPRecord::respondedCount() const {
  return std::count_if(invitees.begin(), invitees.end(),
                       [](const RSVPEntry& e) { return hasResponded(e.status); });
}

std::string RSVPRecord::summary(int64_t totalInvited) const {
  if (totalInvited <= 0) return Loc::string("rsvp.summary.none", "Aucun invité");
  const int64_t answered = respondedCount();
  if (answered == 0) {
    return Loc::string("rsvp.summary.pending", "Personne n'a encore répondu");
  }
  return withCounts(Loc::string("rsvp.summary.count", "%lld/%lld ont répondu"), answered,
                    totalInvited);
}

RSVPRecord RSVPRecord::merged(const std::vector<RSVPEntry>& withEventKit,
                              const std::map<std::string, RSVPStatus>& responses) const {
  std::vector<RSVPEntry> people;
  std::vector<std::string> keys;  // lower-cased e-mail of each person
  auto read = [&](const RSVPEntry& entry) {
    const std::string key = text::lower(entry.email);
    const auto at = std::find(keys.begin(), keys.end(), key);
    if (at == keys.end()) {
      keys.push_back(key);
      people.push_back(entry);
    } else {
      fold(people[static_cast<size_t>(at - keys.begin())], entry);
    }
  };
  for (const RSVPEntry& entry : invitees) read(entry);
  for (const RSVPEntry& entry : withEventKit) read(entry);
  for (const auto& [email, status] : responses) {
    RSVPEntry answer;
    answer.email = email;
    answer.status = status;
    read(answer);
  }

  std::vector<size_t> order(people.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const bool answeredA = hasResponded(people[a].status);
    const bool answeredB = hasResponded(people[b].status);
    if (answeredA != answeredB) return answeredA;
    return std::tie(keys[a], people[a].email) < std::tie(keys[b], people[b].email);
  });
  RSVPRecord out{uid, sequence, {}};
  out.invitees.reserve(people.size());
  for (const size_t i : order) out.invitees.push_back(std::move(people[i]));
  return out;
}

}  // namespace talewick
