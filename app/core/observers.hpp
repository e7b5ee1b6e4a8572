// A list of callbacks told about changes, for the stores that announce them.
//
// Observers may add or remove observers while being told: notify() walks a snapshot of the tokens
// and skips the ones removed meanwhile. Not thread-safe: the owner serialises access.
#pragma once

#include <functional>
#include <map>
#include <vector>

namespace talewick {

template <class... Args>
class ObserverList {
 public:
  using Observer = std::function<void(Args...)>;

  // Returns a token for remove().
  int add(Observer observer) {
    const int token = nextToken_++;
    observers_.emplace(token, std::move(observer));
    return token;
  }
  // Once remove() has returned, that observer is not called again, even by a notify() under way.
  void remove(int token) { observers_.erase(token); }
  bool empty() const { return observers_.empty(); }

  void notify(const Args&... args) {
    std::vector<int> tokens;
    tokens.reserve(observers_.size());
    for (const auto& entry : observers_) tokens.push_back(entry.first);
    for (int token : tokens) {
      const auto found = observers_.find(token);
      if (found == observers_.end()) continue;
      Observer observer = found->second;  // a copy: the observer may remove itself
      observer(args...);
    }
  }

 private:
  std::map<int, Observer> observers_;
  int nextToken_ = 1;
};

}  // namespace talewick
