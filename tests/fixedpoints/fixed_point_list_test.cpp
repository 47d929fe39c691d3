// cFixedPoints on its own: the list text and its test, the count, and copies.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "nrxJobDb/cfixedpoints.h"
#include "support/test_support.h"

namespace nrx::test {
namespace {

TEST(PointInList, NeedsTheBlankBeforeAndAfterTheDigits) {
  const cFixedPoints fixed;
  const std::vector<std::tuple<std::int32_t, std::string, bool>> cases = {
      {12, " 112 5 ", false},     // 12 inside 112
      {12, " 5 12 ", true},       // last entry
      {12, " 120 ", false},       // 12 at the start of 120
      {12, "12 ", false},         // no blank before
      {12, " 12", false},         // no blank after
      {15, " 12 15 100 ", true},  // neighbours share their blanks
      {100, " 12 15 100 ", true},
      {0, " 0 ", true},
      {0, " 10 ", false},
      {-3, "-3 7 ", true},        // the minus sign stands for the blank, even at the start
      {-3, " 7 -3 ", true},
      {3, " -3 ", false},
      {-3, " 3 ", false},
      {std::numeric_limits<std::int32_t>::min(), " -2147483648 ", true},
      {12, "", false},
  };
  for (const auto& [point, list, expected] : cases) {
    EXPECT_EQ(fixed.PointInList(point, list), expected) << point << " in \"" << list << "\"";
  }
}

TEST(PointInList, LooksOnlyAtTheTextItIsGiven) {
  cFixedPoints fixed;
  fixed.SetFixedPoints(" 7 ");
  EXPECT_FALSE(fixed.PointInList(7, " 8 "));
  EXPECT_TRUE(fixed.PointInList(8, " 8 "));
}

TEST(FixedDBPoints, AddingAtTheLargestCountOverflowsAndKeepsIt) {
  cFixedPoints fixed;
  fixed.SetFixedDBPoints(std::numeric_limits<std::int32_t>::max() - 1);
  fixed.AddFixedPoint();
  EXPECT_PASSED_ON(err::kOverflow, "(Class Module) cFixedPoints::Sub AddFixedPoint",
                   fixed.AddFixedPoint());
  EXPECT_EQ(fixed.FixedDBPoints(), std::numeric_limits<std::int32_t>::max());
}

TEST(FixedDBPoints, RemovingStopsAtZeroAndOnlyAPositiveCountHasPoints) {
  cFixedPoints fixed;
  fixed.RemoveFixedPoint();
  EXPECT_EQ(fixed.FixedDBPoints(), 0);

  fixed.SetFixedPoints(" 1 2 3 ");  // the list does not count
  EXPECT_FALSE(fixed.HaveFixedPoints());
  fixed.SetFixedDBPoints(-1);  // stored as given
  EXPECT_EQ(fixed.FixedDBPoints(), -1);
  EXPECT_FALSE(fixed.HaveFixedPoints());
  fixed.RemoveFixedPoint();
  EXPECT_EQ(fixed.FixedDBPoints(), -1);
  fixed.AddFixedPoint();
  fixed.AddFixedPoint();
  EXPECT_TRUE(fixed.HaveFixedPoints());
}

TEST(ClearFixedPoints, ClearsTheListOrTheCountAndLeavesTheOther) {
  cFixedPoints fixed;
  fixed.SetFixedPoints(" 4 9 ");
  fixed.SetFixedDBPoints(5);
  fixed.ClearFixedPoints(false);
  EXPECT_EQ(fixed.FixedPoints(), "");
  EXPECT_EQ(fixed.FixedDBPoints(), 5);

  fixed.SetFixedPoints(" 4 9 ");
  fixed.ClearFixedPoints(true);
  EXPECT_EQ(fixed.FixedPoints(), " 4 9 ");
  EXPECT_EQ(fixed.FixedDBPoints(), 0);
}

TEST(AssignFixedPtsList, ReturnsNothingAndChangesNothing) {
  cFixedPoints fixed;
  fixed.SetFixedPoints(" 4 ");
  EXPECT_EQ(fixed.AssignFixedPtsList_OLD(" 5 6 "), "");
  EXPECT_EQ(fixed.FixedPoints(), " 4 ");
}

TEST(Clone, CopiesListAndCountIntoAnIndependentObject) {
  cFixedPoints fixed;
  fixed.SetFixedPoints(" 4 9 ");
  fixed.SetFixedDBPoints(2);
  const std::shared_ptr<cFixedPoints> copy = fixed.Clone();
  EXPECT_EQ(copy->FixedPoints(), " 4 9 ");
  EXPECT_EQ(copy->FixedDBPoints(), 2);
  EXPECT_TRUE(copy->ClassActive());

  copy->SetFixedPoints(" 1 ");
  copy->AddFixedPoint();
  fixed.ClearFixedPoints(true);
  EXPECT_EQ(fixed.FixedPoints(), " 4 9 ");
  EXPECT_EQ(copy->FixedDBPoints(), 3);
}

TEST(Clone, TheObjectKeepsOnlyItsLastCopy) {
  std::weak_ptr<cFixedPoints> first, second;
  {
    auto fixed = std::make_shared<cFixedPoints>();
    first = fixed->Clone();
    second = fixed->Clone();
    EXPECT_NE(first.lock(), second.lock());
    EXPECT_TRUE(first.expired()) << "the earlier copy is released when the next is made";
    EXPECT_FALSE(second.expired()) << "the last copy lives with the object";
  }
  EXPECT_TRUE(second.expired());
}

}  // namespace
}  // namespace nrx::test
