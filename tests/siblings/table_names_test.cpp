// The table-names object: its names keep the rules that table creation and opening rely on.

#include "nrxJobDb/table_names.h"

#include <gtest/gtest.h>

namespace nrx::model {
namespace {

TEST(TableNamesTest, DefaultNamesKeepEveryRule) {
  TableNames names;
  EXPECT_EQ("", names.BrokenRule());
  EXPECT_EQ("", TableNames::Instance().BrokenRule());
  // The points query names its table by the token once, so replacing it names the data set's.
  const std::string query = names.LSPointsQuery();
  const std::size_t at = query.find(names.PointsTable());
  ASSERT_NE(std::string::npos, at);
  EXPECT_EQ(std::string::npos, query.find(names.PointsTable(), at + 1));
}

struct BrokenCase {
  const char* what;
  void (*breakIt)(TableNames&);
  const char* mentions;
};

class BrokenNamesTest : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenNamesTest, IsReported) {
  TableNames names;
  GetParam().breakIt(names);
  std::string broken = names.BrokenRule();
  EXPECT_NE(std::string::npos, broken.find(GetParam().mentions)) << broken;
  names.Restore();
  EXPECT_EQ("", names.BrokenRule());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, BrokenNamesTest,
    ::testing::Values(
        BrokenCase{"prefix without LS_", [](TableNames& n) { n.SetLSVectorsPrefix("LSVec"); },
                   "LSVec"},
        BrokenCase{"later prefix holds an earlier one",
                   [](TableNames& n) { n.SetLSObs3DPrefix("LS_ObsGen3D"); }, "LS_ObsGen"},
        BrokenCase{"header prefix not under the traverse prefix",
                   [](TableNames& n) { n.SetTraverseHeaderPrefix("TravHdr"); }, "TravHdr"},
        BrokenCase{"whole name caught by a prefix test",
                   [](TableNames& n) { n.SetRadiationTable("TraverseRadiation"); },
                   "TraverseRadiation"},
        BrokenCase{"unsuffixed points table caught by a prefix test",
                   [](TableNames& n) { n.SetLSPointsTable("LS_PointsAll"); }, "LS_PointsAll"},
        BrokenCase{"empty prefix", [](TableNames& n) { n.SetLSOptionsPrefix(""); }, "empty"},
        BrokenCase{"query without the token",
                   [](TableNames& n) { n.SetLSPointsQuery("SELECT * FROM [Pts]"); }, "Pts"},
        BrokenCase{"query that selects nothing",
                   [](TableNames& n) { n.SetLSPointsQuery("Points"); }, "not a selection"}),
    [](const auto& p) { return std::to_string(p.index); });

}  // namespace
}  // namespace nrx::model
