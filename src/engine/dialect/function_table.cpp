#include "engine/dialect/function_table.h"

#include <array>

#include "engine/dialect/lexer.h"

namespace nrx::dialect {
namespace {

using enum FunctionForm;
using enum ValueKind;

// Functions the runtime defines and criteria written by job software use. Each kCall name is
// registered by RegisterFunctions, except abs, which SQLite's own serves.
constexpr auto kFunctions = std::to_array<FunctionSpec>({
    {"Abs", 1, 1, kCall, "abs", kNumber},         {"CDbl", 1, 1, kCall, "nrx_cdbl", kNumber},
    {"CInt", 1, 1, kCall, "nrx_cint", kNumber},   {"CLng", 1, 1, kCall, "nrx_clng", kNumber},
    {"CSng", 1, 1, kCall, "nrx_csng", kNumber},   {"CStr", 1, 1, kCall, "nrx_cstr", kText},
    {"Fix", 1, 1, kCall, "nrx_fix", kNumber},     {"IIf", 3, 3, kIIf, "", kUnknown},
    {"InStr", 2, 3, kCall, "nrx_instr", kNumber}, {"Int", 1, 1, kCall, "nrx_int", kNumber},
    {"IsNull", 1, 1, kIsNull, "", kBoolean},      {"LCase", 1, 1, kCall, "nrx_lcase", kText},
    {"Left", 2, 2, kCall, "nrx_left", kText},     {"Len", 1, 1, kCall, "nrx_len", kNumber},
    {"LTrim", 1, 1, kCall, "nrx_ltrim", kText},   {"Mid", 2, 3, kCall, "nrx_mid", kText},
    {"Right", 2, 2, kCall, "nrx_right", kText},   {"Round", 1, 2, kCall, "nrx_round", kNumber},
    {"RTrim", 1, 1, kCall, "nrx_rtrim", kText},   {"Sgn", 1, 1, kCall, "nrx_sgn", kNumber},
    {"Sqr", 1, 1, kCall, "nrx_sqr", kNumber},     {"Trim", 1, 1, kCall, "nrx_trim", kText},
    {"UCase", 1, 1, kCall, "nrx_ucase", kText},   {"Val", 1, 1, kCall, "nrx_val", kNumber},
});

}  // namespace

const FunctionSpec* FindFunction(std::string_view name) {
  if (!name.empty() && name.back() == '$') name.remove_suffix(1);
  for (const FunctionSpec& spec : kFunctions) {
    if (IsKeyword(name, spec.name)) return &spec;
  }
  return nullptr;
}

}  // namespace nrx::dialect
