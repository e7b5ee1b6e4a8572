// Enumerations stored as text: each enum specialises EnumTraits with its raw values, in case
// order. rawValue/fromRaw and the JSON coding are then shared by every enumeration.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace talewick {

template <class E>
struct EnumTraits;  // static constexpr std::array<std::string_view, N> names;

template <class E>
concept RawEnum = requires {
  EnumTraits<E>::names;
};

template <RawEnum E>
constexpr std::string_view rawValue(E e) {
  return EnumTraits<E>::names[static_cast<std::size_t>(e)];
}

// The case whose raw value is `raw`; nullopt for an unknown value.
template <RawEnum E>
constexpr std::optional<E> fromRaw(std::string_view raw) {
  const auto& names = EnumTraits<E>::names;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == raw) return static_cast<E>(i);
  }
  return std::nullopt;
}

// Every case, in declaration order.
template <RawEnum E>
constexpr auto allCases() {
  std::array<E, EnumTraits<E>::names.size()> cases{};
  for (std::size_t i = 0; i < cases.size(); ++i) cases[i] = static_cast<E>(i);
  return cases;
}

}  // namespace talewick
