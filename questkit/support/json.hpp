// Strict JSON coding shared by every stored record.
//
// A record lists its fields once, as (key, member pointer) pairs; the same list drives encoding
// and decoding. Decoding is strict: a missing required key, a value of the wrong type or an
// unknown enumeration raw value throws DecodeError naming where it happened. Encoding leaves
// absent optionals out. Objects keep their keys in field order.
#pragma once

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "support/date.hpp"
#include "support/enum_traits.hpp"

namespace talewick {

using Json = nlohmann::ordered_json;

// A value that does not decode. `path()` locates it ("[3].startDate", empty for the top level);
// `reason()` says what is wrong, in the user's language.
class DecodeError : public std::runtime_error {
 public:
  DecodeError(std::string path, std::string reason);
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }
  // The same error seen from the enclosing value: `segment` is a key or an "[index]".
  DecodeError within(const std::string& segment) const;

 private:
  std::string path_;
  std::string reason_;
};

// How Date values are written: seconds since 2001 (every stored document) or ISO-8601 text in the
// process time zone (command output). Decoding accepts both. Set for the current thread by a
// DateStyleScope.
enum class DateStyle { referenceSeconds, iso8601 };

class DateStyleScope {
 public:
  explicit DateStyleScope(DateStyle style);
  ~DateStyleScope();
  DateStyleScope(const DateStyleScope&) = delete;
  DateStyleScope& operator=(const DateStyleScope&) = delete;
  static DateStyle current();

 private:
  DateStyle previous_;
};

namespace json_coding {

template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};

[[noreturn]] void fail(const std::string& reason);
std::string reasonMissing();
std::string reasonExpected(const char* what);  // "entier attendu"…
std::string reasonUnknownValue(const std::string& raw);

Json encodeDate(Date d);
Date decodeDate(const Json& j);

template <class T>
Json encode(const T& v);
template <class T>
void decode(const Json& j, T& out);

template <class T>
Json encode(const T& v) {
  if constexpr (std::is_same_v<T, Date>) {
    return encodeDate(v);
  } else if constexpr (RawEnum<T>) {
    return std::string(rawValue(v));
  } else if constexpr (IsOptional<T>::value) {
    return v ? encode(*v) : Json(nullptr);
  } else if constexpr (requires {
                         typename T::value_type;
                         typename T::key_type;
                       }) {
    Json out = Json::object();
    for (const auto& [key, value] : v) {
      if constexpr (RawEnum<typename T::key_type>) {
        out[std::string(rawValue(key))] = encode(value);
      } else {
        out[key] = encode(value);
      }
    }
    return out;
  } else if constexpr (requires { typename T::value_type; } && !std::is_same_v<T, std::string>) {
    Json out = Json::array();
    for (const auto& item : v) out.push_back(encode(item));
    return out;
  } else {
    return Json(v);
  }
}

template <class T>
void decode(const Json& j, T& out) {
  if constexpr (std::is_same_v<T, bool>) {
    if (!j.is_boolean()) fail(reasonExpected("boolean"));
    out = j.get<bool>();
  } else if constexpr (std::is_same_v<T, int64_t>) {
    if (j.is_number_unsigned() && j.get<uint64_t>() > uint64_t(INT64_MAX)) {
      fail(reasonExpected("integer"));
    }
    if (!j.is_number_integer()) fail(reasonExpected("integer"));
    out = j.get<int64_t>();
  } else if constexpr (std::is_same_v<T, double>) {
    if (!j.is_number()) fail(reasonExpected("number"));
    out = j.get<double>();
  } else if constexpr (std::is_same_v<T, std::string>) {
    if (!j.is_string()) fail(reasonExpected("string"));
    out = j.get<std::string>();
  } else if constexpr (std::is_same_v<T, Date>) {
    out = decodeDate(j);
  } else if constexpr (RawEnum<T>) {
    if (!j.is_string()) fail(reasonExpected("string"));
    const auto& raw = j.get_ref<const std::string&>();
    auto value = fromRaw<T>(raw);
    if (!value) fail(reasonUnknownValue(raw));
    out = *value;
  } else if constexpr (IsOptional<T>::value) {
    if (j.is_null()) {
      out.reset();
    } else {
      typename T::value_type inner{};
      decode(j, inner);
      out = std::move(inner);
    }
  } else if constexpr (requires {
                         typename T::value_type;
                         typename T::key_type;
                       }) {
    if (!j.is_object()) fail(reasonExpected("object"));
    out.clear();
    for (auto it = j.begin(); it != j.end(); ++it) {
      typename T::mapped_type value{};
      try {
        decode(it.value(), value);
      } catch (const DecodeError& e) {
        throw e.within(it.key());
      }
      if constexpr (RawEnum<typename T::key_type>) {
        auto key = fromRaw<typename T::key_type>(it.key());
        if (!key) throw DecodeError(it.key(), reasonUnknownValue(it.key()));
        out.emplace(*key, std::move(value));
      } else {
        out.emplace(it.key(), std::move(value));
      }
    }
  } else if constexpr (requires { typename T::value_type; } && !std::is_same_v<T, std::string>) {
    if (!j.is_array()) fail(reasonExpected("array"));
    out.clear();
    out.reserve(j.size());
    size_t index = 0;
    for (const Json& item : j) {
      typename T::value_type value{};
      try {
        decode(item, value);
      } catch (const DecodeError& e) {
        throw e.within("[" + std::to_string(index) + "]");
      }
      out.push_back(std::move(value));
      ++index;
    }
  } else {
    from_json(j, out);  // a record, found by argument-dependent lookup
  }
}

// One field of a record: its JSON key and its member. A lenient field decodes an absent key as
// an empty value (0, "", []) instead of failing, for documents written by older versions.
template <class R, class T>
struct Field {
  const char* key;
  T R::*member;
  bool absentIsEmpty = false;
};
// Spelled out because clang before 17 does not deduce an aggregate's arguments by itself.
template <class R, class T>
Field(const char*, T R::*) -> Field<R, T>;
template <class R, class T>
Field(const char*, T R::*, bool) -> Field<R, T>;
inline constexpr bool lenient = true;

template <class R, class... Fs>
void writeFields(Json& j, const R& record, const std::tuple<Fs...>& fields) {
  j = Json::object();
  // An ordered object is a vector whose elements copy (not move) when it grows: reserve once.
  j.get_ref<Json::object_t&>().reserve(sizeof...(Fs));
  std::apply(
      [&](const auto&... f) {
        auto put = [&](const auto& field) {
          const auto& value = record.*(field.member);
          if constexpr (IsOptional<std::decay_t<decltype(value)>>::value) {
            if (!value) return;
          }
          j[field.key] = encode(value);
        };
        (put(f), ...);
      },
      fields);
}

template <class R, class... Fs>
void readFields(const Json& j, R& record, const std::tuple<Fs...>& fields) {
  if (!j.is_object()) fail(reasonExpected("object"));
  std::apply(
      [&](const auto&... f) {
        auto take = [&](const auto& field) {
          auto& value = record.*(field.member);
          auto it = j.find(field.key);
          if (it == j.end()) {
            if constexpr (IsOptional<std::decay_t<decltype(value)>>::value) {
              value.reset();
              return;
            } else {
              if (!field.absentIsEmpty) throw DecodeError(field.key, reasonMissing());
              value = {};
              return;
            }
          }
          try {
            decode(*it, value);
          } catch (const DecodeError& e) {
            throw e.within(field.key);
          }
        };
        (take(f), ...);
      },
      fields);
}

}  // namespace json_coding

// Defines to_json/from_json of `Type` from a tuple of json_coding::Field.
#define TALEWICK_JSON_CODING(Type, fieldList)              \
  void to_json(::talewick::Json& j, const Type& v) {       \
    ::talewick::json_coding::writeFields(j, v, fieldList); \
  }                                                        \
  void from_json(const ::talewick::Json& j, Type& v) {     \
    ::talewick::json_coding::readFields(j, v, fieldList);  \
  }

// Parses `text` as a value of type T. Throws DecodeError for malformed JSON (the path names the
// byte offset) and for a value that does not decode.
template <class T>
T decodeJsonText(std::string_view text);

std::string describeParseError(const nlohmann::json::parse_error& e);

template <class T>
T decodeJsonText(std::string_view text) {
  Json j;
  try {
    j = Json::parse(text);
  } catch (const nlohmann::json::parse_error& e) {
    throw DecodeError("", describeParseError(e));
  }
  T value{};
  json_coding::decode(j, value);
  return value;
}

}  // namespace talewick
