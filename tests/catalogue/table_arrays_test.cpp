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

// The lists' contents are the catalogue's own tests; here, that the object builds and erases
// them whole.
TEST_F(TableArrays, NewObjectHoldsEveryListAndSetupRebuildsRatherThanAppends) {
  auto total = [&] {
    std::size_t fields = 0;
    for (const catalogue::ListMember& m : catalogue::DeclaredLists()) {
      fields += (Access::Catalogue(*procs_).*m.member).size();
    }
    return fields;
  };
  EXPECT_EQ(total(), 507u);
  Access::SetupTableArrays(*procs_);  // every list restarts at position 1
  EXPECT_EQ(total(), 507u);
  Access::Catalogue(*procs_).SecondAlphaIDs.push_back({"AlphaID", dbText, 16});
  Access::ClearTableArrays(*procs_);
  EXPECT_EQ(total(), 0u);
  Access::SetupTableArrays(*procs_);
  EXPECT_EQ(total(), 507u);
  EXPECT_TRUE(List("SecondAlphaIDs").empty());

  // A definition that cannot be stored is passed on under this member's label.
  TableFieldList list;
  std::int16_t index = 0;
  EXPECT_PASSED_ON(err::kSubscript, kSetTableArrayValuesLabel,
                   Access::SetTableArrayValues(*procs_, list, index, "X", dbDouble, 0));
}

// Tables made through the engine in a fresh job file.
class FieldsInTable : public JobTest {
 protected:
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
  expected.push_back(Shape(details)[1]);
  expected.push_back(Shape(details).back());
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
  EXPECT_EQ(ReopenedShape("AlphaIDs").back(), FieldShape("SwappedCode", dbText, 16));
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
