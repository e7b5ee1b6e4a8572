// Reading the arguments of `talewick rules`: one JSON object whose keys are the rule's argument
// names. A missing or ill-typed argument is a DecodeError naming it.
#pragma once

#include <optional>
#include <vector>

#include "game/loot.hpp"
#include "support/json.hpp"

namespace talewick::ui::rule_arguments {

template <class T>
T required(const Json& j, const char* key) {
  if (!j.is_object()) throw DecodeError("", "expected an object of arguments");
  const auto it = j.find(key);
  if (it == j.end()) throw DecodeError(key, "missing");
  T value{};
  try {
    json_coding::decode(*it, value);
  } catch (const DecodeError& e) {
    throw e.within(key);
  }
  return value;
}

// Absent or null: nullopt.
template <class T>
std::optional<T> optional(const Json& j, const char* key) {
  if (!j.is_object()) throw DecodeError("", "expected an object of arguments");
  const auto it = j.find(key);
  if (it == j.end() || it->is_null()) return std::nullopt;
  return required<T>(j, key);
}

// An argument that is a JSON array, left as JSON.
inline const Json& array(const Json& j, const char* key) {
  if (!j.is_object()) throw DecodeError("", "expected an object of arguments");
  const auto it = j.find(key);
  if (it == j.end()) throw DecodeError(key, "missing");
  if (!it->is_array()) throw DecodeError(key, "expected an array");
  return *it;
}

// {"rng": [numbers in [0, 1)]}: a random source that gives them in order, and fails when a rule
// asks for more than were given.
inline Rng randomSource(const Json& j) {
  auto numbers = std::make_shared<std::vector<double>>(required<std::vector<double>>(j, "rng"));
  for (const double u : *numbers) {
    if (!(u >= 0 && u < 1)) throw DecodeError("rng", "every number must lie in [0, 1)");
  }
  auto next = std::make_shared<size_t>(0);
  return [numbers, next] {
    if (*next >= numbers->size()) throw DecodeError("rng", "more random numbers needed");
    return (*numbers)[(*next)++];
  };
}

}  // namespace talewick::ui::rule_arguments
