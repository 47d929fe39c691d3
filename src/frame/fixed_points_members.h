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
      Variable("FixedPointsTable", 1, nullptr, nullptr, nullptr),
      Function("PointInList", 5),
      Sub("AddFixedPoint", 6),
      Sub("RemoveFixedPoint", 7),
      Sub("ClearFixedPoints", 8),
      Function("HaveFixedPoints", 9),
      Property("FixedPoints", 10, nullptr, nullptr),
      Function("AssignFixedPtsList_OLD", 12).LabelledAs("AssignFixedPtsList"),
      Property("Clone", 13, nullptr),
      Property("FixedDBPoints", 14, nullptr, nullptr),
      Function("PointFixedInTable", 16),
      Function("PointFixedInListOrTable", 17),
      Sub("CountFixedPts", 18),
      Function("CreateFixedPtsRecordset", 19),
      Function("DebugPrintFixedPoints", 20),
      Function("PointFixedInPE", 21),

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
