#include "support/json.hpp"

#include <cmath>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"

namespace talewick {

DecodeError::DecodeError(std::string path, std::string reason)
    : std::runtime_error(path.empty() ? reason : path + " : " + reason),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

DecodeError DecodeError::within(const std::string& segment) const {
  std::string path = segment;
  if (!path_.empty()) path += (path_[0] == '[' ? "" : ".") + path_;
  return DecodeError(std::move(path), reason_);
}

namespace {
thread_local DateStyle tDateStyle = DateStyle::referenceSeconds;
}

DateStyleScope::DateStyleScope(DateStyle style) : previous_(tDateStyle) { tDateStyle = style; }
DateStyleScope::~DateStyleScope() { tDateStyle = previous_; }
DateStyle DateStyleScope::current() { return tDateStyle; }

namespace json_coding {

void fail(const std::string& reason) { throw DecodeError("", reason); }

std::string reasonMissing() { return Loc::string("json.missing", "champ manquant"); }

std::string reasonExpected(const char* what) {
  const std::string kind = what;
  if (kind == "integer") return Loc::string("json.expected.integer", "entier attendu");
  if (kind == "number") return Loc::string("json.expected.number", "nombre attendu");
  if (kind == "boolean") return Loc::string("json.expected.boolean", "booléen attendu");
  if (kind == "string") return Loc::string("json.expected.string", "texte attendu");
  if (kind == "array") return Loc::string("json.expected.array", "tableau attendu");
  return Loc::string("json.expected.object", "objet attendu");
}

std::string reasonUnknownValue(const std::string& raw) {
  return Loc::format(Loc::string("json.unknownValue", "valeur inconnue « %@ »"), {raw});
}

Json encodeDate(Date d) {
  if (DateStyleScope::current() == DateStyle::iso8601) {
    return iso8601::format(d, LocalCalendar::utcOffsetSeconds(d));
  }
  return d.seconds;
}

Date decodeDate(const Json& j) {
  if (j.is_number()) {
    const double s = j.get<double>();
    if (std::isfinite(s)) return Date{s};
  } else if (j.is_string()) {
    if (auto parsed = iso8601::parse(j.get_ref<const std::string&>())) {
      if (parsed->offsetSeconds) return iso8601::instant(parsed->civil, *parsed->offsetSeconds);
      if (auto local = LocalCalendar::dateFrom(parsed->civil)) return *local;
    }
  }
  fail(Loc::string("json.expected.date",
                   "date attendue (texte ISO-8601, ou secondes depuis le 1er janvier 2001)"));
}

}  // namespace json_coding

std::string describeParseError(const nlohmann::json::parse_error& e) {
  return Loc::format(Loc::string("json.unreadable", "JSON illisible à l'octet %@"),
                     {std::to_string(e.byte)});
}

}  // namespace talewick
