#include "services/invites/invite_registry.hpp"

#include <tuple>

namespace talewick::invites {

using json_coding::Field;

static const auto kInviteeFields =
    std::tuple{Field{"email", &SentInvitee::email}, Field{"name", &SentInvitee::name}};
TALEWICK_JSON_CODING(SentInvitee, kInviteeFields)

static const auto kRecordFields =
    std::tuple{Field{"uid", &InviteRecord::uid},
               Field{"token", &InviteRecord::token},
               Field{"eventIdentifier", &InviteRecord::eventIdentifier},
               Field{"title", &InviteRecord::title},
               Field{"fallbackKey", &InviteRecord::fallbackKey},
               Field{"sentInvitees", &InviteRecord::sentInvitees},
               Field{"sequence", &InviteRecord::sequence},
               Field{"rsvp", &InviteRecord::rsvp},
               Field{"lastFetched", &InviteRecord::lastFetched}};
TALEWICK_JSON_CODING(InviteRecord, kRecordFields)

InviteRegistry::InviteRegistry(FilePort& files, std::filesystem::path path,
                               std::ostream& diagnostics)
    : file_(files, std::move(path), diagnostics) {}

const std::map<std::string, InviteRecord>& InviteRegistry::records() {
  if (!records_) {
    records_.emplace();
    for (InviteRecord& record :
         file_.load<std::vector<InviteRecord>>().value_or(std::vector<InviteRecord>{})) {
      records_->insert_or_assign(record.uid, std::move(record));
    }
  }
  return *records_;
}

std::optional<InviteRecord> InviteRegistry::record(const std::string& eventIdentifier,
                                                   const std::string& fallbackKey) {
  for (const auto& [uid, record] : records()) {
    if (record.eventIdentifier == eventIdentifier) return record;
  }
  for (const auto& [uid, record] : records()) {
    if (record.fallbackKey == fallbackKey) return record;
  }
  return std::nullopt;
}

void InviteRegistry::put(const InviteRecord& record) {
  std::map<std::string, InviteRecord> next = records();
  next.insert_or_assign(record.uid, record);
  save(std::move(next));
}

void InviteRegistry::applyRSVP(const std::string& uid, const std::vector<RSVPEntry>& entries,
                               int64_t sequence, Date fetchedAt) {
  std::map<std::string, InviteRecord> next = records();
  const auto found = next.find(uid);
  if (found == next.end()) return;
  found->second.rsvp = entries;
  found->second.sequence = sequence;
  found->second.lastFetched = fetchedAt;
  save(std::move(next));
}

void InviteRegistry::save(std::map<std::string, InviteRecord> records) {
  std::vector<InviteRecord> list;
  for (const auto& [uid, record] : records) list.push_back(record);
  // Written before it is kept: a failed write leaves the registry as it was.
  file_.save(list);
  records_ = std::move(records);
}

}  // namespace talewick::invites
