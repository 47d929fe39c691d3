#pragma once
// The syntax tree of a dialect expression. The translator writes SQLite text from this tree
// alone, so nothing of the source text reaches SQLite unparsed.

#include <memory>
#include <string>
#include <vector>

namespace nrx::dialect {

// clang-format off
enum class Op {
  // unary
  kNot, kNegate, kPlus,
  // logical
  kAnd, kOr, kXor, kEqv, kImp,
  // comparison
  kEq, kNe, kLt, kLe, kGt, kGe,
  // arithmetic and joining
  kAdd, kSub, kMul, kDiv, kIntDiv, kMod, kPow, kConcat,
};
// clang-format on

enum class ExprKind {
  kNumber,   // value: the digits as written
  kText,     // value: the text
  kBoolean,  // truth: True or False
  kNull,
  kField,    // value: the field name; qualifier: its table when written as table.field
  kUnary,    // op, operands[0]
  kBinary,   // op, operands[0] and [1]; And and Or may have more operands
  kLike,     // operands: subject, pattern; negated for Not Like
  kIn,       // operands: subject, then the list; negated for Not In
  kBetween,  // operands: subject, low, high; negated for Not Between
  kIsNull,   // operands[0]; negated for Is Not Null
  kCall,     // value: the function's canonical name; operands: its arguments
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

struct Expr {
  ExprKind kind = ExprKind::kNull;
  Op op = Op::kNot;
  bool negated = false;
  bool truth = false;
  std::string value;
  std::string qualifier;
  std::vector<ExprPtr> operands;
  int depth = 1;  // of the tree below and including this node
};

}  // namespace nrx::dialect
