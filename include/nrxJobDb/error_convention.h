#pragma once
// The component's error convention: every member of the three classes runs its body inside
// Guard, which hands a failure to the shared error stack and passes the same error number on
// with the member's own label as its source.

#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "nrxJobDb/errors.h"
#include "nrxJobDb/export.h"

namespace nrx {

// The kind word of a label.
enum class MemberKind { Sub, Function, PropertyGet, PropertyLet };

// The parts of a member's label; the text is only built when an error needs it.
struct NRXJOBDB_API MemberLabel {
  std::string_view class_name;  // "cJobProcs"
  MemberKind kind;
  std::string_view member;  // "OpenJobDB"

  // "(Class Module) cJobProcs::Sub OpenJobDB".
  std::string Text() const;
};

// The source given to failures that did not come as an nrx::Error (the runtime's own errors).
inline constexpr std::string_view kRuntimeErrorSource = "nrxJobDb";

// Hands a failing procedure to the global error stack. A label equal to "REACTIVATE" in any
// letter case clears the stack's suspended flag and records nothing; otherwise, while the flag
// is set, the call clears it and records nothing; otherwise (source, label) is recorded.
NRXJOBDB_API void RecordErrorSource(std::string_view source, std::string_view label);

namespace detail {
// Records the failure and throws Error(number, label text, "") : the description is dropped on
// purpose, so the caller sees only the number and the member it called.
[[noreturn]] NRXJOBDB_API void PassOn(int number, std::string_view source,
                                      const MemberLabel& label);
}  // namespace detail

// Runs `body` and returns what it returns. An nrx::Error leaving it is recorded as (its source,
// label) and raised again with the same number, the label's text as source and no description.
// Anything else that escapes is turned into an error first: out of memory 7, any other
// exception 5, both with the runtime's source. So only nrx::Error ever leaves a member.
// A member that handles a number itself catches it inside `body`.
template <class F>
decltype(auto) Guard(const MemberLabel& label, F&& body) {
  try {
    return std::forward<F>(body)();
  } catch (const Error& e) {
    detail::PassOn(e.Number(), e.Source(), label);
  } catch (const std::bad_alloc&) {
    detail::PassOn(err::kOutOfMemory, kRuntimeErrorSource, label);
  } catch (...) {
    detail::PassOn(err::kInvalidCall, kRuntimeErrorSource, label);
  }
}

}  // namespace nrx
