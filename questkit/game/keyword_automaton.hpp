// Finds every occurrence of a fixed set of keywords in one pass over a normalised text
// (Aho–Corasick). Texts and keywords use only "a"–"z", "0"–"9" and the space, as normalisation
// leaves them; any other byte restarts matching.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talewick {

class KeywordAutomaton {
 public:
  explicit KeywordAutomaton(const std::vector<std::string>& keywords);

  // Calls onMatch(keywordIndex) for each occurrence, in order of where the occurrence ends.
  template <class F>
  void forEachMatch(std::string_view text, F&& onMatch) const {
    int32_t state = 0;
    for (char c : text) {
      const int symbol = symbolOf(c);
      state = symbol < 0 ? 0 : next_[static_cast<size_t>(state) * ALPHABET + symbol];
      for (int32_t i = outputStart_[state]; i < outputStart_[state + 1]; ++i) {
        onMatch(outputs_[static_cast<size_t>(i)]);
      }
    }
  }

 private:
  static constexpr int ALPHABET = 37;
  static int symbolOf(char c) {
    if (c >= 'a' && c <= 'z') return c - 'a';
    if (c >= '0' && c <= '9') return 26 + (c - '0');
    return c == ' ' ? 36 : -1;
  }

  std::vector<int32_t> next_;         // state × symbol → state (a complete automaton)
  std::vector<int32_t> outputStart_;  // state → first index in outputs_, plus one end entry
  std::vector<int32_t> outputs_;      // keyword indices ending at each state
};

}  // namespace talewick
