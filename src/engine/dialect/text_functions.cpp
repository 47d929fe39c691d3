// Like, "&" and the runtime's text functions. Positions and lengths count characters; Null in
// gives Null out, except that "&" reads Null as an empty text.

#include <climits>
#include <memory>
#include <string>

#include "engine/dialect/function_args.h"
#include "engine/dialect/like_pattern.h"
#include "engine/dialect/unicode_text.h"
#include "nrxJobDb/errors.h"

namespace nrx::dialect::functions {
namespace {

std::u32string Characters(sqlite3_value* v) { return DecodeUtf8(ToText(v)); }

void ResultCharacters(sqlite3_context* ctx, std::u32string_view text) {
  ResultText(ctx, EncodeUtf8(text));
}

// A count or position argument: a whole number of at least `min`; otherwise error 5.
std::size_t Count(sqlite3_value* v, std::int64_t min) {
  const std::int64_t n = ToWhole(v, INT_MIN, INT_MAX);
  if (n < min) Fail(err::kInvalidCall);
  return static_cast<std::size_t>(n);
}

void Like(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0]) || IsNull(argv[1])) return sqlite3_result_null(ctx);
  // A constant pattern is compiled once per statement, not once per row.
  auto* pattern = static_cast<LikePattern*>(sqlite3_get_auxdata(ctx, 1));
  if (!pattern) {
    auto compiled = std::make_unique<LikePattern>(ToText(argv[1]));
    sqlite3_set_auxdata(ctx, 1, compiled.release(),
                        [](void* p) { delete static_cast<LikePattern*>(p); });
    pattern = static_cast<LikePattern*>(sqlite3_get_auxdata(ctx, 1));
    if (!pattern) {  // SQLite could not keep it (out of memory): match without the cache
      sqlite3_result_int(ctx, LikePattern(ToText(argv[1])).Matches(ToText(argv[0])) ? 1 : 0);
      return;
    }
  }
  sqlite3_result_int(ctx, pattern->Matches(ToText(argv[0])) ? 1 : 0);
}

// Joins any number of values; Null counts as "", but joining only Nulls gives Null.
void Concat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  std::string out;
  bool any = false;
  for (int i = 0; i < argc; ++i) {
    if (IsNull(argv[i])) continue;
    any = true;
    out += ToText(argv[i]);
  }
  if (!any) return sqlite3_result_null(ctx);
  ResultText(ctx, out);
}

void Length(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, static_cast<std::int64_t>(Characters(argv[0]).size()));
}

void Text(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  ResultText(ctx, ToText(argv[0]));
}

// The runtime trims blanks only, not tabs or line breaks.
template <bool kLeft, bool kRight>
void Trim(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const std::string s = ToText(argv[0]);
  std::size_t begin = 0;
  std::size_t end = s.size();
  if (kLeft) {
    while (begin < end && s[begin] == ' ') ++begin;
  }
  if (kRight) {
    while (end > begin && s[end - 1] == ' ') --end;
  }
  ResultText(ctx, std::string_view(s).substr(begin, end - begin));
}

template <char32_t (*map)(char32_t)>
void MapCase(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  std::u32string s = Characters(argv[0]);
  for (char32_t& c : s) c = map(c);
  ResultCharacters(ctx, s);
}

void Left(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const std::size_t n = Count(argv[1], 0);
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const std::u32string s = Characters(argv[0]);
  ResultCharacters(ctx, std::u32string_view(s).substr(0, n));
}

void Right(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const std::size_t n = Count(argv[1], 0);
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const std::u32string s = Characters(argv[0]);
  ResultCharacters(ctx, std::u32string_view(s).substr(s.size() - std::min(n, s.size())));
}

// Mid(text, start[, length]); start counts from 1.
void Mid(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  const std::size_t start = Count(argv[1], 1);
  const std::size_t length = argc > 2 ? Count(argv[2], 0) : std::u32string::npos;
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const std::u32string s = Characters(argv[0]);
  if (start > s.size()) return ResultText(ctx, "");
  ResultCharacters(ctx, std::u32string_view(s).substr(start - 1, length));
}

std::u32string Folded(sqlite3_value* v) {
  std::u32string s = Characters(v);
  for (char32_t& c : s) c = ToLower(c);
  return s;
}

// InStr([start, ]text, sought): the 1-based position of sought in text, 0 when absent;
// compared without regard to case.
void InStr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  const std::size_t start = argc > 2 ? Count(argv[0], 1) : 1;
  sqlite3_value* text = argv[argc - 2];
  sqlite3_value* sought = argv[argc - 1];
  if (IsNull(text) || IsNull(sought)) return sqlite3_result_null(ctx);
  const std::u32string haystack = Folded(text);
  const std::u32string needle = Folded(sought);
  if (start > haystack.size()) return sqlite3_result_int(ctx, 0);
  const std::size_t found = haystack.find(needle, start - 1);
  sqlite3_result_int64(ctx,
                       found == std::u32string::npos ? 0 : static_cast<std::int64_t>(found + 1));
}

char32_t Lower(char32_t c) { return ToLower(c); }
char32_t Upper(char32_t c) { return ToUpper(c); }

constexpr Registration kText[] = {
    {"nrx_like", 2, Like},
    {"nrx_concat", -1, Concat},
    {"nrx_len", 1, Length},
    {"nrx_cstr", 1, Text},
    {"nrx_trim", 1, Trim<true, true>},
    {"nrx_ltrim", 1, Trim<true, false>},
    {"nrx_rtrim", 1, Trim<false, true>},
    {"nrx_ucase", 1, MapCase<Upper>},
    {"nrx_lcase", 1, MapCase<Lower>},
    {"nrx_left", 2, Left},
    {"nrx_right", 2, Right},
    {"nrx_mid", 2, Mid},
    {"nrx_mid", 3, Mid},
    {"nrx_instr", 2, InStr},
    {"nrx_instr", 3, InStr},
};

}  // namespace

void RegisterTextFunctions(sqlite3* db) { Register(db, std::begin(kText), std::end(kText)); }

}  // namespace nrx::dialect::functions
