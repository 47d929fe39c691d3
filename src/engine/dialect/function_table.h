#pragma once
// The functions criteria may call, with what each becomes in SQLite.

#include <string_view>

namespace nrx::dialect {

// What a translated expression yields, as far as it is known before any row is read.
enum class ValueKind { kUnknown, kNumber, kText, kBoolean };

enum class FunctionForm {
  kCall,    // sqlite_name(arguments...)
  kIsNull,  // IsNull(x): x IS NULL
  kIIf,     // IIf(c, a, b): CASE WHEN c THEN a ELSE b END
};

struct FunctionSpec {
  std::string_view name;  // canonical spelling
  int min_args;
  int max_args;
  FunctionForm form;
  std::string_view sqlite_name;  // for kCall
  ValueKind result;
};

// Finds a function by name, case-insensitively; a trailing "$" (Left$) is ignored. Null when
// the dialect has no such function.
const FunctionSpec* FindFunction(std::string_view name);

}  // namespace nrx::dialect
