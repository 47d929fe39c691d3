#include "engine/dialect/like_pattern.h"

#include <algorithm>

#include "engine/dialect/unicode_text.h"

namespace nrx::dialect {

LikePattern::LikePattern(std::string_view pattern) {
  const std::u32string p = DecodeUtf8(pattern);
  std::size_t i = 0;
  while (i < p.size()) {
    const char32_t c = p[i++];
    switch (c) {
      case U'*':
        // Runs of stars match what one star matches.
        if (elements_.empty() || elements_.back().kind != Kind::kStar)
          elements_.emplace_back(Kind::kStar);
        break;
      case U'?':
        elements_.emplace_back(Kind::kAny);
        break;
      case U'#':
        elements_.emplace_back(Kind::kDigit);
        break;
      case U'[':
        i = ReadList(p, i);
        if (i == std::u32string::npos) {
          valid_ = false;
          return;
        }
        break;
      default:
        elements_.emplace_back(Kind::kChar, ToLower(c));
        break;
    }
  }
}

std::size_t LikePattern::ReadList(const std::u32string& p, std::size_t i) {
  const std::size_t close = p.find(U']', i);
  if (close == std::u32string::npos) return close;
  Element list(Kind::kList);
  if (i < close && p[i] == U'!') {
    list.negated = true;
    ++i;
  }
  while (i < close) {
    char32_t low = ToLower(p[i]);
    char32_t high = low;
    // "a-z" is a range; a "-" first or last in the list stands for itself.
    if (i + 2 < close && p[i + 1] == U'-') {
      high = ToLower(p[i + 2]);
      i += 3;
    } else {
      ++i;
    }
    list.ranges.push_back({low, high});
  }
  // "[]" matches the empty text, so it adds nothing; "[!]" is any one character.
  if (!list.ranges.empty() || list.negated) elements_.push_back(std::move(list));
  return close + 1;
}

bool LikePattern::MatchOne(const Element& element, char32_t c) {
  switch (element.kind) {
    case Kind::kAny:
      return true;
    case Kind::kDigit:
      return c >= U'0' && c <= U'9';
    case Kind::kChar:
      return ToLower(c) == element.c;
    case Kind::kList: {
      const char32_t folded = ToLower(c);
      const bool in = std::any_of(element.ranges.begin(), element.ranges.end(),
                                  [&](Range r) { return folded >= r.low && folded <= r.high; });
      return in != element.negated;
    }
    case Kind::kStar:
      break;
  }
  return false;
}

// Every element but "*" takes exactly one character, so remembering only the latest star is
// enough; the match takes time proportional to text times pattern at worst.
bool LikePattern::Matches(std::string_view text) const {
  if (!valid_) return false;
  const std::u32string t = DecodeUtf8(text);
  const std::size_t m = elements_.size();
  std::size_t ti = 0;
  std::size_t pi = 0;
  std::size_t star = std::u32string::npos;
  std::size_t resume = 0;
  while (ti < t.size()) {
    if (pi < m && elements_[pi].kind == Kind::kStar) {
      star = pi++;
      resume = ti;
    } else if (pi < m && MatchOne(elements_[pi], t[ti])) {
      ++pi;
      ++ti;
    } else if (star != std::u32string::npos) {
      pi = star + 1;
      ti = ++resume;
    } else {
      return false;
    }
  }
  while (pi < m && elements_[pi].kind == Kind::kStar) ++pi;
  return pi == m;
}

}  // namespace nrx::dialect
