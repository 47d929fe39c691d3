#pragma once
// cFixedPoints' members: its interface in slot order, then its private procedures. Slots:
// ClassActive get 0, let 1; FixedPointsTable get 2, let 3, set 4; methods from 5, each property
// procedure pair under the slot of its get.

#include <tuple>

#include "frame/member_table.h"
#include "nrxJobDb/cfixedpoints.h"

namespace nrx {
namespace frame {

template <>
struct ClassMembers<cFixedPoints> {
  using C = cFixedPoints;
  static constexpr ClassIdentity kIdentity{"{370EB7B5-400E-4DEC-8A80-C7A22B2DAA2B}",
                                           "{52BF589C-CF92-4F78-AA25-0B816D4D9700}", false};

  // clang-format off
  static constexpr auto kTable = std::tuple{
      Variable("ClassActive", 0, &C::ClassActive, &C::SetClassActive),
      Variable("FixedPointsTable", 1, &C::FixedPointsTable, &C::SetFixedPointsTable,
               &C::SetFixedPointsTable),
      Function("PointInList", 5, &C::PointInList),
      Sub("AddFixedPoint", 6, &C::AddFixedPoint),
      Sub("RemoveFixedPoint", 7, &C::RemoveFixedPoint),
      Sub("ClearFixedPoints", 8, &C::ClearFixedPoints),
      Function("HaveFixedPoints", 9, &C::HaveFixedPoints),
      Property("FixedPoints", 10, &C::FixedPoints, &C::SetFixedPoints),
      Function("AssignFixedPtsList_OLD", 12, &C::AssignFixedPtsList_OLD, {""})
          .LabelledAs("AssignFixedPtsList"),
      Property("Clone", 13, &C::Clone),
      Property("FixedDBPoints", 14, &C::FixedDBPoints, &C::SetFixedDBPoints),
      Function("PointFixedInTable", 16, &C::PointFixedInTable),
      Function("PointFixedInListOrTable", 17, &C::PointFixedInListOrTable),
      Sub("CountFixedPts", 18, &C::CountFixedPts, {false}),
      Function("CreateFixedPtsRecordset", 19, &C::CreateFixedPtsRecordset),
      Function("DebugPrintFixedPoints", 20, &C::DebugPrintFixedPoints),
      Function("PointFixedInPE", 21, &C::PointFixedInPE),

      PrivateSub("Class_Initialize"),
      PrivateSub("Class_Terminate"),
  };
  // clang-format on
};

}  // namespace frame

// The label of a cFixedPoints member (a property procedure's with its invoke kind); a name the
// table does not hold stops the build.
consteval MemberLabel FixedPointsLabel(std::string_view member,
                                       InvokeKind kind = InvokeKind::Method) {
  return frame::LabelOf<cFixedPoints>(member, kind);
}

}  // namespace nrx
