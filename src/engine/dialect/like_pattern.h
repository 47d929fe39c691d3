#pragma once
// The dialect's Like patterns: "*" any run of characters, "?" one character, "#" one digit,
// "[abc]" and "[a-z]" one character of a list, "[!abc]" one character not in it. Letters match
// without regard to case, as the dialect compares texts.

#include <string>
#include <string_view>
#include <vector>

namespace nrx::dialect {

class LikePattern {
 public:
  // A pattern with an unclosed "[" is invalid and matches nothing.
  explicit LikePattern(std::string_view pattern);

  bool Valid() const { return valid_; }
  bool Matches(std::string_view text) const;

 private:
  enum class Kind { kStar, kAny, kDigit, kChar, kList };
  struct Range {
    char32_t low;
    char32_t high;
  };
  struct Element {
    explicit Element(Kind k, char32_t ch = 0) : kind(k), c(ch) {}
    Kind kind;
    char32_t c = 0;             // kChar, folded
    bool negated = false;       // kList
    std::vector<Range> ranges;  // kList, folded
  };

  std::vector<Element> elements_;
  bool valid_ = true;

  // Reads the list that starts after "[" at position i; returns the position after "]", or
  // npos when the list is not closed.
  std::size_t ReadList(const std::u32string& pattern, std::size_t i);
  static bool MatchOne(const Element& element, char32_t c);
};

}  // namespace nrx::dialect
