#include "engine/dialect/token_stream.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>

#include "engine/dialect/lexer.h"

namespace nrx::dialect {

bool IsReserved(std::string_view word) {
  static constexpr std::array<std::string_view, 31> kReserved = {
      "ALL",    "AND",  "AS",    "BETWEEN", "BY",     "DISTINCT", "DISTINCTROW", "EQV",
      "FALSE",  "FROM", "GROUP", "HAVING",  "IMP",    "IN",       "INTO",        "IS",
      "JOIN",   "LIKE", "MOD",   "NOT",     "NULL",   "ON",       "OR",          "ORDER",
      "SELECT", "SET",  "TRUE",  "UNION",   "VALUES", "WHERE",    "XOR"};
  return std::any_of(kReserved.begin(), kReserved.end(),
                     [&](std::string_view k) { return IsKeyword(word, k); });
}

TokenStream::TokenStream(std::string_view text) : text_(text), tokens_(Tokenize(text)) {}

const Token& TokenStream::Peek(std::size_t ahead) const {
  return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
}

const Token& TokenStream::At(std::size_t index) const {
  return tokens_[std::min(index, tokens_.size() - 1)];
}

const Token& TokenStream::Next() {
  const Token& token = Peek();
  if (pos_ < tokens_.size() - 1) ++pos_;
  return token;
}

bool TokenStream::PeekKeyword(std::string_view keyword, std::size_t ahead) const {
  const Token& token = Peek(ahead);
  return token.kind == TokenKind::kWord && IsKeyword(token.value, keyword);
}

bool TokenStream::AcceptKeyword(std::string_view keyword) {
  if (!PeekKeyword(keyword)) return false;
  Next();
  return true;
}

void TokenStream::ExpectKeyword(std::string_view keyword) {
  if (!AcceptKeyword(keyword)) Unexpected(keyword);
}

bool TokenStream::PeekSymbol(std::string_view symbol, std::size_t ahead) const {
  const Token& token = Peek(ahead);
  return token.kind == TokenKind::kSymbol && token.value == symbol;
}

bool TokenStream::AcceptSymbol(std::string_view symbol) {
  if (!PeekSymbol(symbol)) return false;
  Next();
  return true;
}

void TokenStream::ExpectSymbol(std::string_view symbol) {
  if (!AcceptSymbol(symbol)) Unexpected(fmt::format("'{}'", symbol));
}

bool TokenStream::PeekName(std::size_t ahead) const {
  const Token& token = Peek(ahead);
  return token.kind == TokenKind::kBracketed ||
         (token.kind == TokenKind::kWord && !IsReserved(token.value));
}

std::string TokenStream::ExpectName(std::string_view what) {
  if (!PeekName()) Unexpected(what);
  return Next().value;
}

void TokenStream::ExpectStatementEnd() {
  AcceptSymbol(";");
  if (!AtEnd()) Fail(fmt::format("{} after the end of the statement", Describe(Peek())));
}

void TokenStream::Fail(std::string detail) const {
  throw SyntaxError{Peek().offset, std::move(detail)};
}

void TokenStream::Unexpected(std::string_view expected) const {
  Fail(fmt::format("expected {} but found {}", expected, Describe(Peek())));
}

std::string TokenStream::Describe(const Token& token) const {
  if (token.kind == TokenKind::kEnd) return "the end of the text";
  std::string_view raw = text_.substr(token.offset, token.length);
  if (token.kind == TokenKind::kInvalid) {
    std::string shown(raw.substr(0, 40));
    std::replace(shown.begin(), shown.end(), '\0', ' ');
    return fmt::format("{} '{}'", token.value, shown);
  }
  return fmt::format("'{}'", raw);
}

std::string_view TokenStream::Slice(std::size_t first, std::size_t end) const {
  if (end <= first) return {};
  const Token& a = At(first);
  const Token& b = At(end - 1);
  return text_.substr(a.offset, b.offset + b.length - a.offset);
}

std::string_view TokenStream::Rest(std::size_t first) const {
  const Token& a = At(first);
  std::string_view rest = text_.substr(a.offset);
  while (!rest.empty() &&
         (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r' || rest.back() == '\n'))
    rest.remove_suffix(1);
  return rest;
}

}  // namespace nrx::dialect
