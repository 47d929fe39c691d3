// cJobProcs' catalogue members: building and erasing the lists, storing one definition, and
// checking or completing a real table against a list.

#include <gtest/gtest.h>

#include "catalogue/job_fixture.h"

namespace nrx::test {
namespace {

using Access = JobProcsTestAccess;

constexpr const char* kSetTableArrayValuesLabel =
    "(Class Module) cJobProcs::Sub SetTableArrayValues";
constexpr const char* kFieldsInTableLabel = "(Class Module) cJobProcs::Function FieldsInTable";

using TableArrays = JobTest;

TEST_F(TableArrays, NewObjectHoldsEveryListAndSetupRebuildsRatherThanAppends) {
  TableCatalogue expected;
  catalogue::FillCatalogue(expected);
  auto same_as_expected = [&] {
    for (const catalogue::ListMember& m : catalogue::DeclaredLists()) {
      const TableFieldList& got = Access::Catalogue(*procs_).*m.member;
      const TableFieldList& want = expected.*m.member;
      ASSERT_EQ(got.size(), want.size()) << m.list;
      for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].fieldName, want[i].fieldName) << m.list;
        EXPECT_EQ(got[i].fieldType, want[i].fieldType) << m.list;
        EXPECT_EQ(got[i].fieldSiz, want[i].fieldSiz) << m.list;
      }
    }
  };
  same_as_expected();
  // Every list restarts at position 1, so building again over full lists leaves them as they were.
  Access::SetupTableArrays(*procs_);
  same_as_expected();

  Access::Catalogue(*procs_).SecondAlphaIDs.push_back({"AlphaID", dbText, 16});
  Access::ClearTableArrays(*procs_);
  for (const catalogue::ListMember& m : catalogue::DeclaredLists()) {
    EXPECT_TRUE((Access::Catalogue(*procs_).*m.member).empty()) << m.list;
  }
  Access::SetupTableArrays(*procs_);
  same_as_expected();
  EXPECT_EQ(ErrorStack::Instance().Count(), 0u);
}

TEST_F(TableArrays, SetTableArrayValuesStoresAndAdvancesOrPassesTheErrorOn) {
  TableFieldList list;
  std::int16_t index = 1;
  Access::SetTableArrayValues(*procs_, list, index, "PageNo", dbLong, 0);
  Access::SetTableArrayValues(*procs_, list, index, "Description", dbText, 16);
  EXPECT_EQ(index, 3);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].fieldName, "PageNo");
  EXPECT_EQ(list[1].fieldSiz, 16);

  index = 0;
  EXPECT_PASSED_ON(err::kSubscript, kSetTableArrayValuesLabel,
                   Access::SetTableArrayValues(*procs_, list, index, "X", dbDouble, 0));
  EXPECT_EQ(list.size(), 2u);
  const auto records = ErrorStack::Instance().Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].second, kSetTableArrayValuesLabel);
}

// Tables made through the engine in a fresh job file.
class FieldsInTable : public JobTest {
 protected:
  static FieldShape ShapeOf(const TableFieldDef& def) {
    return {def.fieldName, def.fieldType, def.fieldSiz};
  }
  // The table as the job file holds it after closing and opening again.
  std::vector<FieldShape> ReopenedShape(const std::string& name) {
    Reopen();
    return Shape(*db_->TableDefs(name));
  }
};

TEST_F(FieldsInTable, CompleteTableWithFieldsOfItsOwnIsLeftAlone) {
  const TableFieldList& points = List("Points");
  auto table = MakeTable("Points", points, {}, {{"Extra", dbLong, 0}, {"Note", dbText, 40}});
  const auto before = Shape(*table);
  EXPECT_TRUE(Access::FieldsInTable(*procs_, points, table, false));
  EXPECT_TRUE(Access::FieldsInTable(*procs_, points, table, true));
  EXPECT_EQ(Shape(*table), before);
  EXPECT_EQ(ReopenedShape("Points"), before);
}

TEST_F(FieldsInTable, MissingSecondAndLastFields) {
  // JobDetails' second field is Text and its last Boolean, so the sizes are checked as well.
  const TableFieldList& details = List("JobDetails");
  const int last = static_cast<int>(details.size());
  auto table = MakeTable("JobDetails", details, {2, last});
  const auto before = Shape(*table);

  EXPECT_FALSE(Access::FieldsInTable(*procs_, details, table, false));
  EXPECT_EQ(Shape(*table), before);

  // Appended in list order, after the fields already there; the last one was missing, so the
  // result stays False.
  EXPECT_FALSE(Access::FieldsInTable(*procs_, details, table, true));
  auto expected = before;
  expected.push_back(ShapeOf(details[1]));
  expected.push_back(ShapeOf(details[static_cast<std::size_t>(last) - 1]));
  EXPECT_EQ(Shape(*table), expected);
  EXPECT_EQ(std::get<2>(expected[expected.size() - 2]), 255);
  EXPECT_EQ(ReopenedShape("JobDetails"), expected);

  // Now complete.
  EXPECT_TRUE(Access::FieldsInTable(*procs_, details, db_->TableDefs("JobDetails"), false));
}

TEST_F(FieldsInTable, MissingMiddleFieldIsAddedAndTheResultIsTrue) {
  const TableFieldList& alpha = List("AlphaIDs");
  auto table = MakeTable("AlphaIDs", alpha, {3});
  EXPECT_FALSE(Access::FieldsInTable(*procs_, alpha, table, false));
  EXPECT_TRUE(Access::FieldsInTable(*procs_, alpha, table, true));
  const auto shape = ReopenedShape("AlphaIDs");
  ASSERT_EQ(shape.size(), 4u);
  EXPECT_EQ(shape.back(), FieldShape("SwappedCode", dbText, 16));
}

TEST_F(FieldsInTable, NameDifferingOnlyInCaseIsNotTheField) {
  const TableFieldList& lines = List("Lines");  // Point1, Point2, LineType
  auto table = MakeTable("Lines", lines, {2, 3}, {{"linetype", dbInteger, 0}});
  EXPECT_FALSE(Access::FieldsInTable(*procs_, lines, table, false));
  EXPECT_EQ(table->FieldsCount(), 2);

  // Completing it appends Point2, then the engine refuses LineType beside "linetype": the error
  // reaches the caller under this member's label and Point2 stays appended.
  EXPECT_PASSED_ON(err::kFieldExists, kFieldsInTableLabel,
                   Access::FieldsInTable(*procs_, lines, table, true));
  const auto shape = ReopenedShape("Lines");
  ASSERT_EQ(shape.size(), 3u);
  EXPECT_EQ(std::get<0>(shape[2]), "Point2");
  const auto records = ErrorStack::Instance().Records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().second, kFieldsInTableLabel);
}

TEST_F(FieldsInTable, EmptyListAndMissingTable) {
  const TableFieldList& unfilled = List("SecondAlphaIDs");
  ASSERT_TRUE(unfilled.empty());
  auto table = MakeTable("AlphaIDs", List("AlphaIDs"), {});
  // No field is looked at, so nothing was found.
  EXPECT_FALSE(Access::FieldsInTable(*procs_, unfilled, table, false));
  EXPECT_FALSE(Access::FieldsInTable(*procs_, unfilled, table, true));
  EXPECT_EQ(table->FieldsCount(), 4);

  EXPECT_PASSED_ON(err::kObjectNotSet, kFieldsInTableLabel,
                   Access::FieldsInTable(*procs_, List("Lines"), TableDefPtr(), false));
}

}  // namespace
}  // namespace nrx::test
