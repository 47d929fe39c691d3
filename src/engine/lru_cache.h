#pragma once
// A map of bounded size that forgets the entry used longest ago. Statements prepared for texts
// built from the fields a caller happens to edit come in as many kinds as there are sets of
// fields; kept without bound they would pin memory for the whole life of a connection.

#include <cstddef>
#include <list>
#include <string>
#include <unordered_map>
#include <utility>

namespace nrx::detail {

template <class Value>
class LruCache {
 public:
  explicit LruCache(std::size_t capacity) : capacity_(capacity < 1 ? 1 : capacity) {}

  // The entry of `key`, made by `make` when missing. The reference stays good until `capacity`
  // other keys have been asked for since.
  template <class Make>
  Value& GetOrMake(const std::string& key, Make&& make) {
    if (auto it = index_.find(key); it != index_.end()) {
      entries_.splice(entries_.begin(), entries_, it->second);
      return it->second->second;
    }
    // Made before anything is evicted: a `make` that raises leaves the cache as it was.
    Value value = make();
    if (entries_.size() == capacity_) {
      index_.erase(entries_.back().first);
      entries_.pop_back();
    }
    entries_.emplace_front(key, std::move(value));
    index_.emplace(key, entries_.begin());
    return entries_.front().second;
  }

  std::size_t Size() const { return entries_.size(); }
  void Clear() {
    index_.clear();
    entries_.clear();
  }

 private:
  using Entries = std::list<std::pair<std::string, Value>>;
  std::size_t capacity_;
  Entries entries_;
  std::unordered_map<std::string, typename Entries::iterator> index_;
};

}  // namespace nrx::detail
