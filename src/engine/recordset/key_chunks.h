#pragma once
// The row ids of a keyset in fixed-size chunks: eight bytes a record however large it grows
// (no passing doubling as one vector would make), and taking a record out of the middle moves
// one chunk, not every record after it.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace nrx::detail {

class KeyChunks {
 public:
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  std::int64_t operator[](size_t pos) const {
    size_t c = ChunkOf(pos);
    return chunks_[c][pos - starts_[c]];
  }
  std::int64_t back() const { return chunks_.back().back(); }

  void push_back(std::int64_t key) {
    if (chunks_.empty() || chunks_.back().size() == kChunk) {
      starts_.push_back(size_);
      chunks_.emplace_back().reserve(kChunk);
    }
    chunks_.back().push_back(key);
    ++size_;
  }

  void erase(size_t pos) {
    size_t c = ChunkOf(pos);
    auto& chunk = chunks_[c];
    chunk.erase(chunk.begin() + static_cast<std::ptrdiff_t>(pos - starts_[c]));
    --size_;
    for (size_t i = c + 1; i < starts_.size(); ++i) --starts_[i];
    if (chunk.empty()) {
      chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(c));
      starts_.erase(starts_.begin() + static_cast<std::ptrdiff_t>(c));
    }
  }

  void clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    starts_.clear();
    starts_.shrink_to_fit();
    size_ = 0;
  }

  // The position of `key` among [from, end) searching forward, or among [0, from) searching
  // backward from `from`.
  std::optional<size_t> Find(std::int64_t key, size_t from, bool forward) const {
    if (forward) {
      for (size_t c = from < size_ ? ChunkOf(from) : chunks_.size(); c < chunks_.size(); ++c) {
        const auto& chunk = chunks_[c];
        size_t first = from > starts_[c] ? from - starts_[c] : 0;
        auto it = std::find(chunk.begin() + static_cast<std::ptrdiff_t>(first), chunk.end(), key);
        if (it != chunk.end()) return starts_[c] + static_cast<size_t>(it - chunk.begin());
      }
      return std::nullopt;
    }
    from = std::min(from, size_);
    if (from == 0) return std::nullopt;
    for (size_t c = ChunkOf(from - 1) + 1; c-- > 0;) {
      const auto& chunk = chunks_[c];
      size_t end = std::min(chunk.size(), from - starts_[c]);
      for (size_t i = end; i-- > 0;)
        if (chunk[i] == key) return starts_[c] + i;
    }
    return std::nullopt;
  }

 private:
  static constexpr size_t kChunk = 4096;
  std::vector<std::vector<std::int64_t>> chunks_;
  std::vector<size_t> starts_;  // the position of each chunk's first key
  size_t size_ = 0;

  size_t ChunkOf(size_t pos) const {
    return static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), pos) - starts_.begin()) - 1;
  }
};

}  // namespace nrx::detail
