#pragma once
// Writes SQLite text for a dialect expression tree.
//
// Booleans follow the dialect: True is -1. Where a truth value is used as a value (compared,
// added, stored) it is written as -1/0; where it is used as a condition (WHERE, And, Or, Not)
// it is written as SQLite's own truth value, so that SQLite can still use indexes for terms
// like "PointNo = 5". Texts compare case-insensitively, as the dialect does.
//
// Given the field types, a Currency field stands for its amount (see amounts.h); compared with
// another Currency field or a number it holds exactly, it is compared as stored. Sums and
// differences of such fields and numbers are computed in scaled whole numbers, exactly.

#include <string>
#include <string_view>
#include <vector>

#include "engine/dialect.h"
#include "engine/dialect/expr.h"
#include "engine/dialect/function_table.h"

namespace nrx::dialect {

struct TranslateOptions {
  // The one table the statement reads or writes: "table.field" naming it becomes "field". Other
  // qualifiers are kept, and SQLite reports them as unknown columns.
  std::string_view table;
  // When given, receives each field of that table compared with a text that is not a number:
  // only the caller, who knows the fields' types, can tell whether that is a type mismatch.
  std::vector<std::string>* text_compared = nullptr;
  // The fields' types; without them every field reads as it is stored.
  const FieldTypes* types = nullptr;
};

// For a WHERE clause or FindFirst criteria.
std::string TranslateCondition(const Expr& expr, const TranslateOptions& options = {});
// For a value: a SET or VALUES item.
std::string TranslateValue(const Expr& expr, const TranslateOptions& options = {});
// For a value stored into a field of the engine type `field_type`: what a Currency field takes
// is the scaled amount, converted exactly.
std::string TranslateStoredValue(const Expr& expr, int field_type,
                                 const TranslateOptions& options = {});

// What the expression yields, as far as it is known before any row is read.
ValueKind KindOf(const Expr& expr);

// "name" with inner quotes doubled.
std::string QuoteIdentifier(std::string_view name);
// 'text' with inner quotes doubled.
std::string QuoteLiteral(std::string_view text);

}  // namespace nrx::dialect
