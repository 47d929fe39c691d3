#pragma once
// Reading arguments and writing results for the SQLite functions translated texts call. The
// values follow the runtime's conversions: numbers print in their shortest form, numeric texts
// read as numbers, fractions round half to even where a whole number is needed.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace nrx::dialect::functions {

// Thrown inside a function body; the registration wrapper turns it into a SQLite error whose
// message carries the engine number (see FunctionErrorNumber).
struct Failure {
  int number;
};
[[noreturn]] void Fail(int number);

// The message a function error carries: "#<number> <sentence>".
std::string FailureMessage(int number);

struct Number {
  bool integral = true;
  std::int64_t i = 0;
  double d = 0;
  double Real() const { return integral ? static_cast<double>(i) : d; }
};

bool IsNull(sqlite3_value* v);
// The value as text; numbers in the runtime's form ("2.5", "1E+20"). Not for Null.
std::string ToText(sqlite3_value* v);
// The value as a number; a text that is not a number fails with 3464. Not for Null.
Number ToNumber(sqlite3_value* v);
// The value rounded to a whole number; Null fails with 94, out of range with 6.
std::int64_t ToWhole(sqlite3_value* v, std::int64_t min, std::int64_t max);

void ResultNumber(sqlite3_context* ctx, Number n);
void ResultReal(sqlite3_context* ctx, double d);  // fails with 6 for an infinite or NaN result
void ResultText(sqlite3_context* ctx, std::string_view text);

using Body = void (*)(sqlite3_context*, int, sqlite3_value**);
struct Registration {
  const char* name;
  int arg_count;  // -1 for any number
  Body body;
};
// Registers each body behind a wrapper that turns a Failure into the SQLite error. The
// registrations must outlive the connection (static tables).
void Register(sqlite3* db, const Registration* begin, const Registration* end);

void RegisterNumericFunctions(sqlite3* db);
void RegisterTextFunctions(sqlite3* db);
void RegisterCurrencyFunctions(sqlite3* db);

}  // namespace nrx::dialect::functions
