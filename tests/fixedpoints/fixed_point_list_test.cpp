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

TEST(PointInList, NeedsTheBlankBeforeAndAfterTheDigitsInTheTextGiven) {
  cFixedPoints fixed;
  fixed.SetFixedPoints(" 12 ");  // the object's own list is not consulted
  const std::vector<std::tuple<std::int32_t, std::string, bool>> cases = {
      {12, " 112 5 ", false}, {12, " 5 12 ", true}, {12, "12", false},  {12, " 12", false},
      {15, " 12 15 100 ", true}, {0, " 0 ", true}, {0, " 10 ", false},   {-3, "-3 7 ", true},
      {3, " -3 ", false},     {-3, " 3 ", false},  {12, "", false}};
  for (const auto& [point, list, expected] : cases) {
    EXPECT_EQ(fixed.PointInList(point, list), expected) << point << " in \"" << list << "\"";
  }
}

TEST(FixedDBPoints, AddingAtTheLargestCountOverflowsAndKeepsIt) {
  cFixedPoints fixed;
  fixed.SetFixedDBPoints(std::numeric_limits<std::int32_t>::max());
  EXPECT_PASSED_ON(err::kOverflow, "(Class Module) cFixedPoints::Sub AddFixedPoint",
                   fixed.AddFixedPoint());
  EXPECT_EQ(fixed.FixedDBPoints(), std::numeric_limits<std::int32_t>::max());
}

TEST(FixedDBPoints, CountAndListMoveApart) {
  cFixedPoints fixed;
  fixed.RemoveFixedPoint();
  EXPECT_EQ(fixed.FixedDBPoints(), 0);
  fixed.SetFixedPoints(" 1 2 ");
  EXPECT_FALSE(fixed.HaveFixedPoints()) << "the list does not count";
  fixed.SetFixedDBPoints(-1);
  EXPECT_FALSE(fixed.HaveFixedPoints());
  fixed.AddFixedPoint();
  fixed.AddFixedPoint();
  EXPECT_TRUE(fixed.HaveFixedPoints());
  EXPECT_EQ(fixed.AssignFixedPtsList_OLD(" 5 "), "");

  fixed.ClearFixedPoints(false);
  EXPECT_EQ(std::tuple(fixed.FixedPoints(), fixed.FixedDBPoints()), std::tuple("", 1));
  fixed.SetFixedPoints(" 4 ");
  fixed.ClearFixedPoints(true);
  EXPECT_EQ(std::tuple(fixed.FixedPoints(), fixed.FixedDBPoints()), std::tuple(" 4 ", 0));
}

TEST(Clone, IndependentCopiesOfWhichTheObjectKeepsOnlyTheLast) {
  std::weak_ptr<cFixedPoints> first, second;
  {
    auto fixed = std::make_shared<cFixedPoints>();
    fixed->SetFixedPoints(" 4 9 ");
    fixed->SetFixedDBPoints(2);
    first = fixed->Clone();
    second = fixed->Clone();
    EXPECT_TRUE(first.expired()) << "the earlier copy goes when the next is made";
    const std::shared_ptr<cFixedPoints> copy = second.lock();
    ASSERT_TRUE(copy) << "the object keeps its last copy";
    EXPECT_EQ(std::tuple(copy->FixedPoints(), copy->FixedDBPoints()), std::tuple(" 4 9 ", 2));
    copy->AddFixedPoint();
    fixed->ClearFixedPoints(false);
    EXPECT_EQ(std::tuple(copy->FixedPoints(), fixed->FixedDBPoints()), std::tuple(" 4 9 ", 2));
  }
  EXPECT_TRUE(second.expired());
}

}  // namespace
}  // namespace nrx::test
