#pragma once
// cDBtransactions' members: its interface in slot order, then its private procedures. Slots:
// ClassActive get 0, let 1; ActiveTransactions get 2, let 3; methods from 4.

#include <cstdint>
#include <tuple>

#include "frame/member_table.h"
#include "nrxJobDb/cdbtransactions.h"

namespace nrx {
namespace frame {

template <>
struct ClassMembers<cDBtransactions> {
  using C = cDBtransactions;
  static constexpr ClassIdentity kIdentity{"{8C3021D2-2A3F-4B97-8F05-39DA799FF230}",
                                           "{A6D3BD92-2484-4B69-BD2C-67C10E28AFD9}", false};

  // clang-format off
  static constexpr auto kTable = std::tuple{
      Variable("ClassActive", 0, &C::ClassActive, &C::SetClassActive),
      Variable("ActiveTransactions", 1, &C::ActiveTransactions, &C::SetActiveTransactions),
      Sub("SetBlank", 4, &C::SetBlank),
      Sub("RollBackTransIfPending", 5, &C::RollBackTransIfPending, {false, ""}),
      Sub("BeginTransIfNotPending", 6, &C::BeginTransIfNotPending, {false, ""}),
      Sub("CommitTransIfPending", 7, &C::CommitTransIfPending, {false, ""}),
      Sub("RecordsetOPEN", 8, &C::RecordsetOPEN,
          {std::int16_t{0}, "", "", DefaultValue(), DefaultValue(), "", ""}),
      Sub("RecordsetCLOSE", 9, &C::RecordsetCLOSE, {"", ""}),

      PrivateSub("Class_Initialize"),
      PrivateSub("Class_Terminate"),
      PrivateSub("CloseAllRecordsets"),
  };
  // clang-format on
};

}  // namespace frame

// The label of a cDBtransactions member; a name the table does not hold stops the build.
consteval MemberLabel DBtransactionsLabel(std::string_view member,
                                          InvokeKind kind = InvokeKind::Method) {
  return frame::LabelOf<cDBtransactions>(member, kind);
}

}  // namespace nrx
