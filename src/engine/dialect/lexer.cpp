#include "engine/dialect/lexer.h"

#include <fmt/format.h>

#include <array>

#include "nrxJobDb/variant.h"

namespace nrx::dialect {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;  // any UTF-8 sequence may be part of a name
}
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  std::vector<Token> Run() {
    std::vector<Token> tokens;
    for (;;) {
      while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
      if (pos_ >= text_.size()) break;
      tokens.push_back(Next());
    }
    tokens.push_back(Token{TokenKind::kEnd, {}, text_.size(), 0});
    return tokens;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;

  char At(std::size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

  Token Make(TokenKind kind, std::string value, std::size_t start) const {
    return Token{kind, std::move(value), start, pos_ - start};
  }

  Token Next() {
    const std::size_t start = pos_;
    const char c = text_[pos_];
    if (c == '\0') {
      // A NUL would cut the translated text short inside SQLite; no statement needs one.
      ++pos_;
      return Make(TokenKind::kInvalid, "a NUL character", start);
    }
    if (IsLetter(c)) return Word(start);
    if (IsDigit(c) || (c == '.' && IsDigit(At(pos_ + 1)))) return Number(start);
    if (c == '\'' || c == '"') return Quoted(start, c);
    if (c == '[') return Bracketed(start);
    if (c == '#') return DateLiteral(start);
    return Symbol(start);
  }

  // #2024-07-15#, #7/15/2024 10:30#: a moment, which the engine stores as its serial number, so
  // it stands in the translated text as that number.
  Token DateLiteral(std::size_t start) {
    const std::size_t close = text_.find('#', pos_ + 1);
    if (close == std::string_view::npos) {
      pos_ = text_.size();
      return Make(TokenKind::kInvalid, "an unclosed date", start);
    }
    std::optional<Date> date = ReadDateText(text_.substr(pos_ + 1, close - pos_ - 1));
    pos_ = close + 1;
    if (!date) return Make(TokenKind::kInvalid, "a date the engine cannot read", start);
    // A moment before 1899-12-30 is negative: parenthesised, so that "a - #1800-01-01#" never
    // becomes "--", SQLite's comment.
    std::string serial = fmt::format("{:.17g}", date->serial);
    if (date->serial < 0) serial = "(" + serial + ")";
    return Make(TokenKind::kNumber, std::move(serial), start);
  }

  Token Word(std::size_t start) {
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    // Text functions may carry the runtime's type suffix: Left$, Mid$, UCase$.
    if (At(pos_) == '$') ++pos_;
    return Make(TokenKind::kWord, std::string(text_.substr(start, pos_ - start)), start);
  }

  void Digits() {
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
  }

  Token Number(std::size_t start) {
    Digits();
    if (At(pos_) == '.') {
      ++pos_;
      Digits();
    }
    const char e = At(pos_);
    if (e == 'e' || e == 'E') {
      std::size_t mark = pos_ + 1;
      if (At(mark) == '+' || At(mark) == '-') ++mark;
      if (IsDigit(At(mark))) {
        pos_ = mark;
        Digits();
      }
    }
    return Make(TokenKind::kNumber, std::string(text_.substr(start, pos_ - start)), start);
  }

  Token Quoted(std::size_t start, char quote) {
    std::string value;
    ++pos_;
    for (;;) {
      if (pos_ >= text_.size()) return Make(TokenKind::kInvalid, "an unclosed text", start);
      const char c = text_[pos_++];
      if (c == '\0') return Make(TokenKind::kInvalid, "a NUL character", start);
      if (c == quote) {
        if (At(pos_) != quote) break;
        ++pos_;  // a doubled quote stands for one
      }
      value.push_back(c);
    }
    return Make(TokenKind::kText, std::move(value), start);
  }

  Token Bracketed(std::size_t start) {
    const std::size_t close = text_.find(']', pos_ + 1);
    if (close == std::string_view::npos) {
      pos_ = text_.size();
      return Make(TokenKind::kInvalid, "an unclosed bracket", start);
    }
    std::string_view name = text_.substr(pos_ + 1, close - pos_ - 1);
    pos_ = close + 1;
    if (name.empty()) return Make(TokenKind::kInvalid, "an empty name", start);
    for (char c : name) {
      if (static_cast<unsigned char>(c) < 0x20 || c == '[')
        return Make(TokenKind::kInvalid, "a name with a character names cannot hold", start);
    }
    return Make(TokenKind::kBracketed, std::string(name), start);
  }

  Token Symbol(std::size_t start) {
    static constexpr std::array<std::string_view, 3> kPairs = {"<>", "<=", ">="};
    for (std::string_view pair : kPairs) {
      if (text_.substr(pos_, 2) == pair) {
        pos_ += 2;
        return Make(TokenKind::kSymbol, std::string(pair), start);
      }
    }
    static constexpr std::string_view kSingles = "=<>+-*/\\^&(),.;";
    const char c = text_[pos_++];
    if (kSingles.find(c) != std::string_view::npos)
      return Make(TokenKind::kSymbol, std::string(1, c), start);
    // Take a whole UTF-8 sequence so the message quotes a readable character.
    while (pos_ < text_.size() && (static_cast<unsigned char>(text_[pos_]) & 0xC0) == 0x80) ++pos_;
    return Make(TokenKind::kInvalid, "an unexpected character", start);
  }
};

}  // namespace

std::vector<Token> Tokenize(std::string_view text) { return Lexer(text).Run(); }

bool IsKeyword(std::string_view word, std::string_view keyword) {
  if (word.size() != keyword.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char a = word[i];
    char b = keyword[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
    if (a != b) return false;
  }
  return true;
}

}  // namespace nrx::dialect
