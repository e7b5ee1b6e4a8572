#include "core/inhabitant_contributions.hpp"

#include <algorithm>
#include <optional>
#include <set>

#include "support/text.hpp"

namespace talewick::InhabitantContributions {

namespace {

std::string normalAddress(std::string_view raw) { return text::fold(text::trim(raw)); }

bool isAddress(std::string_view text) { return text.find('@') != std::string_view::npos; }

std::string domainOf(const std::string& address) {
  const size_t at = address.rfind('@');
  return at == std::string::npos ? std::string() : address.substr(at + 1);
}

// Domains anyone may have an address at: sharing one with the user says nothing of a workplace.
bool isPublicDomain(const std::string& domain) {
  static const std::set<std::string> kPublic{
      "aol.com",        "free.fr",        "gmail.com",   "gmx.com",    "gmx.de",
      "gmx.fr",         "googlemail.com", "hotmail.com", "hotmail.fr", "icloud.com",
      "laposte.net",    "live.com",       "live.fr",     "mac.com",    "me.com",
      "msn.com",        "orange.fr",      "outlook.com", "outlook.fr", "proton.me",
      "protonmail.com", "sfr.fr",         "wanadoo.fr",  "yahoo.com",  "yahoo.fr"};
  return kPublic.contains(domain);
}

struct Person {
  std::string address;
  std::optional<std::string> name;
};

// A label that names someone, rather than repeating an address; nullopt otherwise.
std::optional<std::string> nameIn(std::string_view label) {
  const std::string trimmed(text::trim(label));
  if (trimmed.empty() || isAddress(trimmed)) return std::nullopt;
  return trimmed;
}

std::vector<Person> peopleOf(const DayEvent& e, const std::set<std::string>& own) {
  std::vector<Person> people;
  const auto add = [&](const std::string& address, const std::optional<std::string>& name) {
    if (address.empty() || own.contains(address)) return;
    for (Person& p : people) {
      if (p.address != address) continue;
      if (!p.name) p.name = name;
      return;
    }
    people.push_back({address, name});
  };

  std::vector<std::string> others;
  for (const std::string& a : e.attendeeEmails) {
    std::string address = normalAddress(a);
    if (!address.empty() && !own.contains(address)) others.push_back(std::move(address));
  }
  const std::vector<std::string>& labels = e.attendeeLabels;
  bool paired = labels.size() <= others.size();
  for (size_t i = 0; paired && i < labels.size(); ++i) {
    const std::string_view label = text::trim(labels[i]);
    if (isAddress(label) && normalAddress(label) != others[i]) paired = false;
  }
  for (size_t i = 0; i < labels.size(); ++i) {
    if (paired) {
      add(others[i], nameIn(labels[i]));
    } else if (isAddress(labels[i])) {
      add(normalAddress(labels[i]), std::nullopt);
    }
  }
  if (e.organizerEmail) {
    add(normalAddress(*e.organizerEmail),
        e.organizerLabel ? nameIn(*e.organizerLabel) : std::nullopt);
  }
  return people;
}

}  // namespace

std::vector<std::string> ownAddresses(const Preferences& preferences) {
  std::vector<std::string> emails = preferences.stringList("identity.emails");
  if (auto single = preferences.string("identity.emails")) {
    size_t start = 0;
    while (start <= single->size()) {
      const size_t comma = std::min(single->find(',', start), single->size());
      std::string one = single->substr(start, comma - start);
      std::erase(one, ' ');
      if (!one.empty()) emails.push_back(one);
      start = comma + 1;
    }
  }
  return emails;
}

std::vector<InhabitantBook::Encounter> fromEvents(const std::vector<DayEvent>& events, Date now,
                                                  const std::vector<std::string>& ownAddresses) {
  std::set<std::string> own, ownDomains;
  for (const std::string& a : ownAddresses) {
    const std::string address = normalAddress(a);
    if (address.empty()) continue;
    own.insert(address);
    if (const std::string domain = domainOf(address); !isPublicDomain(domain)) {
      ownDomains.insert(domain);
    }
  }

  std::vector<InhabitantBook::Encounter> out;
  for (const DayEvent& e : events) {
    if (now < e.endDate) continue;
    const std::string occurrence = "meeting:" + e.id + "@" + iso8601::format(e.startDate, 0) + ":";
    for (const Person& p : peopleOf(e, own)) {
      std::vector<AliasKey> keys{*AliasKey::email(p.address)};
      if (p.name) {
        if (auto key = AliasKey::name(*p.name)) keys.push_back(*key);
      }
      const Inhabitant::Kind kind = ownDomains.contains(domainOf(p.address))
                                        ? Inhabitant::Kind::colleague
                                        : Inhabitant::Kind::external;
      out.push_back({{occurrence + p.address, std::move(keys), 1, 0, 0},
                     p.name.value_or(p.address),
                     kind,
                     e.endDate});
    }
  }
  return out;
}

}  // namespace talewick::InhabitantContributions
