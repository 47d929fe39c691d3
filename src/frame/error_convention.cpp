#include "nrxJobDb/error_convention.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>

#include "nrxJobDb/error_stack.h"
#include "nrxJobDb/name_table.h"

namespace nrx {
namespace {

constexpr Named<MemberKind> kKindWords[] = {{MemberKind::Sub, "Sub"},
                                            {MemberKind::Function, "Function"},
                                            {MemberKind::PropertyGet, "Property Get"},
                                            {MemberKind::PropertyLet, "Property Let"}};

bool IsReactivate(std::string_view label) {
  constexpr std::string_view kReactivate = "REACTIVATE";
  return std::equal(
      label.begin(), label.end(), kReactivate.begin(), kReactivate.end(),
      [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

}  // namespace

std::string MemberLabel::Text() const {
  return fmt::format("(Class Module) {}::{} {}", class_name, NameOf(kKindWords, kind, "Sub"),
                     member);
}

void RecordErrorSource(std::string_view source, std::string_view label) {
  ErrorStack& stack = ErrorStack::Instance();
  if (IsReactivate(label)) {
    stack.SetSuspended(false);
    return;
  }
  if (stack.Suspended()) {
    stack.SetSuspended(false);
    return;
  }
  stack.Record(std::string(source), std::string(label));
}

namespace detail {

void PassOn(int number, std::string_view source, const MemberLabel& label) {
  std::string text = label.Text();
  RecordErrorSource(source, text);
  throw Error(number, std::move(text), std::string());
}

}  // namespace detail
}  // namespace nrx
