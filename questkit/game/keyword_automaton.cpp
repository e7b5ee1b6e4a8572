#include "game/keyword_automaton.hpp"

#include <queue>

namespace talewick {

KeywordAutomaton::KeywordAutomaton(const std::vector<std::string>& keywords) {
  // The trie, with -1 for missing edges.
  std::vector<int32_t> trie(ALPHABET, -1);
  std::vector<std::vector<int32_t>> ends(1);
  for (size_t k = 0; k < keywords.size(); ++k) {
    const std::string& word = keywords[k];
    if (word.empty()) continue;
    int32_t state = 0;
    bool usable = true;
    for (char c : word) {
      const int symbol = symbolOf(c);
      if (symbol < 0) {
        usable = false;
        break;
      }
      int32_t& edge = trie[static_cast<size_t>(state) * ALPHABET + symbol];
      if (edge < 0) {
        edge = static_cast<int32_t>(ends.size());
        ends.emplace_back();
        trie.resize(trie.size() + ALPHABET, -1);
      }
      state = trie[static_cast<size_t>(state) * ALPHABET + symbol];
    }
    if (usable) ends[static_cast<size_t>(state)].push_back(static_cast<int32_t>(k));
  }

  // Breadth-first: failure links turn the trie into a complete automaton, and each state's
  // outputs gather those of its failure state.
  const size_t states = ends.size();
  next_ = trie;
  std::vector<int32_t> fail(states, 0);
  std::vector<std::vector<int32_t>> outputs = ends;
  std::queue<int32_t> queue;
  for (int s = 0; s < ALPHABET; ++s) {
    int32_t& edge = next_[static_cast<size_t>(s)];
    if (edge < 0) {
      edge = 0;
    } else {
      queue.push(edge);
    }
  }
  while (!queue.empty()) {
    const int32_t state = queue.front();
    queue.pop();
    auto& out = outputs[static_cast<size_t>(state)];
    const auto& inherited = outputs[static_cast<size_t>(fail[static_cast<size_t>(state)])];
    out.insert(out.end(), inherited.begin(), inherited.end());
    for (int s = 0; s < ALPHABET; ++s) {
      int32_t& edge = next_[static_cast<size_t>(state) * ALPHABET + s];
      const int32_t viaFail =
          next_[static_cast<size_t>(fail[static_cast<size_t>(state)]) * ALPHABET + s];
      if (edge < 0) {
        edge = viaFail;
      } else {
        fail[static_cast<size_t>(edge)] = viaFail;
        queue.push(edge);
      }
    }
  }

  outputStart_.reserve(states + 1);
  for (const auto& out : outputs) {
    outputStart_.push_back(static_cast<int32_t>(outputs_.size()));
    outputs_.insert(outputs_.end(), out.begin(), out.end());
  }
  outputStart_.push_back(static_cast<int32_t>(outputs_.size()));
}

}  // namespace talewick
