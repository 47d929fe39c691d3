// njb catalogue, check and schema, called as functions.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>

#include "catalogue/catalogue_lists.h"
#include "catalogue/expected_kinds.h"
#include "catalogue/older_job.h"
#include "cli/in_process.h"
#include "engine/engine_fixture.h"
#include "nrxJobDb/cjobprocs.h"

namespace nrx::test {
namespace {

CommandResult Catalogue(std::string table = {}, bool json = false) {
  return RunInProcess(njb::RunCatalogue, {.table = std::move(table), .json = json});
}

std::string Json(std::string_view text) { return fmt::format("\"{}\"", text); }

// The size a stored field of a type other than Text reports: the type's own.
int StoredSize(int type) {
  static const std::map<int, int> kSizes = {{dbBoolean, 1}, {dbByte, 1},   {dbInteger, 2},
                                            {dbLong, 4},    {dbSingle, 4}, {dbDouble, 8}};
  return kSizes.at(type);
}

// The fields of a list as njb prints them: the catalogue's sizes, or with `stored` a table's.
std::string FieldsJson(const catalogue::ListRows& list, bool stored = false) {
  std::string out;
  for (const catalogue::FieldRow& row : list.rows) {
    const int size = stored && row.type != dbText ? StoredSize(row.type) : row.size;
    out += fmt::format("{}{{\"name\":{},\"type\":{},\"size\":{}}}", out.empty() ? "" : ",",
                       Json(row.name), row.type, size);
  }
  return out;
}

TEST(CatalogueCommand, JsonHoldsEveryFilledListWithItsTableName) {
  // A list's table is named after it ("LS_" for a data set's "LS"); data sets and traverses
  // have a table per number, so a prefix.
  std::string expected = "{\"lists\":[";
  for (const catalogue::ListRows& list : catalogue::FilledLists()) {
    const bool data_set = list.list.starts_with("LS");
    const bool prefix = data_set || list.list.starts_with("Traverse");
    const std::string table =
        data_set ? "LS_" + std::string(list.list.substr(2)) : std::string(list.list);
    expected += fmt::format("{}{{\"list\":{},\"table\":{},\"prefix\":{},\"fields\":[{}]}}",
                            expected.back() == '[' ? "" : ",", Json(list.list), Json(table), prefix,
                            FieldsJson(list));
  }
  expected += "]}\n";

  const CommandResult result = Catalogue({}, /*json=*/true);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output, expected);
}

TEST(CatalogueCommand, OneListByItsNameOrByATableName) {
  CommandResult result = Catalogue("LS_Options3");
  ASSERT_EQ(result.exit_code, 0) << result.output;
  EXPECT_NE(result.output.find("LSOptions: tables LS_Options*, 80 fields"), std::string::npos);
  EXPECT_TRUE(
      std::regex_search(result.output, std::regex(R"(\n +80 +SavePtEntryOpt +Integer +0\n)")));

  // A traverse header's name is its own list, not the traverse list.
  result = Catalogue("TraverseHeader12", /*json=*/true);
  ASSERT_EQ(result.exit_code, 0) << result.output;
  EXPECT_TRUE(result.output.starts_with(
      "{\"lists\":[{\"list\":\"TraverseHeader\",\"table\":\"TraverseHeader\",\"prefix\":true,"))
      << result.output;

  result = Catalogue("Lines");
  EXPECT_NE(result.output.find("index Line_Index on Point1;Point2, primary, unique"),
            std::string::npos);

  EXPECT_NE(Catalogue().output.find("23 lists, 507 fields"), std::string::npos);

  for (const char* unknown : {"Nowhere", "AlphaIDs2"}) {
    EXPECT_NRX_ERROR(err::kItemNotFound, Catalogue(unknown));
  }
}

// Job files built through the component.
class JobCommands : public EngineTest {
 protected:
  static CommandResult Schema(const std::string& path) {
    return RunInProcess(njb::RunSchema, {.file = path, .json = true});
  }
  static CommandResult Check(const std::string& path) {
    return RunInProcess(njb::RunCheck, {.file = path});
  }

  // A job holding one table of every kind table creation makes.
  std::string FullJob() {
    auto db = Create("full.njb");
    cJobProcs procs;
    for (const ExpectedTable& kind : EveryKind())
      procs.CreateJobDBTable(db, kind.table, db->Name());
    db->Close();
    return Path("full.njb");
  }
};

TEST_F(JobCommands, SchemaOfAJobBuiltFromTheCatalogueIsTheCatalogue) {
  const std::string path = FullJob();
  const CommandResult result = Schema(path);
  ASSERT_EQ(result.exit_code, 0) << result.output;

  std::size_t tables = 0;
  for (std::size_t at = 0; (at = result.output.find("\"recordCount\"", at)) != std::string::npos;
       ++at) {
    ++tables;
  }
  EXPECT_EQ(tables, EveryKind().size());
  for (const ExpectedTable& kind : EveryKind()) {
    std::string indexes;
    for (const auto& [name, fields, primary, unique] : kind.indexes) {
      indexes += fmt::format("{}{{\"name\":{},\"fields\":{},\"primary\":{},\"unique\":{}}}",
                             indexes.empty() ? "" : ",", Json(name), Json(fields), primary, unique);
    }
    const std::string table =
        fmt::format("{{\"name\":{},\"recordCount\":0,\"fields\":[{}],\"indexes\":[{}]}}",
                    Json(kind.table), FieldsJson(ListRowsOf(kind.list), true), indexes);
    EXPECT_NE(result.output.find(table), std::string::npos) << table;
  }
}

TEST_F(JobCommands, CheckPassesAFullJobAndNamesWhatAnotherLacks) {
  CommandResult result = Check(FullJob());
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_NE(result.output.find("LS_Points3 (LSPoints): complete"), std::string::npos);

  // Lines without its last field and with only its primary index, and a table of no list.
  const std::string path = Path("older.njb");
  {
    auto db = Create("older.njb");
    auto lines = MakeTable(*db, "Lines", {{"Point1", dbLong, 0}, {"Point2", dbLong, 0}});
    lines->IndexesAppend(MakeIndex(*lines, "Line_Index", "Point1;Point2", true, false));
    MakeTable(*db, "Notes", {{"Note", dbText, 40}});
    db->Close();
  }
  const auto written = std::filesystem::last_write_time(path);
  result = Check(path);
  EXPECT_EQ(result.exit_code, 1) << result.output;
  EXPECT_NE(result.output.find("Lines (Lines): incomplete\n"
                               "  lacks field LineType (Integer)\n"
                               "  lacks index Line_Pt1Index on Point1\n"
                               "  lacks index Line_Pt2Index on Point2\n"),
            std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("Notes: not described by the catalogue"), std::string::npos);
  EXPECT_EQ(std::filesystem::last_write_time(path), written);

  EXPECT_NRX_ERROR(err::kFileMissing, Check(Path("missing.njb")));
}

}  // namespace
}  // namespace nrx::test
