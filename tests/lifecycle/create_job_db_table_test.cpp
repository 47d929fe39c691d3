// CreateJobDBTable: every kind of table, names it leaves alone, existence tests, damaged files.

#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/expected_kinds.h"
#include "catalogue/job_fixture.h"
#include "nrxJobDb/message_box.h"

namespace nrx::test {
namespace {

constexpr const char* kLabel = "(Class Module) cJobProcs::Sub CreateJobDBTable";

class CreateJobDBTable : public JobTest {
 protected:
  bool Create(const std::string& name, bool exitIfNotExist = false) {
    bool exists = false;
    procs_->CreateJobDBTable(db_, name, path_, &exists, exitIfNotExist);
    return exists;
  }
  int UserTables() {
    db_->TableDefsRefresh();
    const auto tables = db_->TableDefs();
    return static_cast<int>(
        std::count_if(tables.begin(), tables.end(), [](const auto& t) { return !t->IsSystem(); }));
  }
};

TEST_F(CreateJobDBTable, EveryKindGetsItsListAndItsIndexes) {
  for (const ExpectedTable& kind : EveryKind()) EXPECT_FALSE(Create(kind.table)) << kind.table;
  Reopen();
  for (const ExpectedTable& kind : EveryKind()) {
    SCOPED_TRACE(kind.table);
    auto table = db_->FindTableDef(kind.table);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->Name(), kind.table);
    EXPECT_EQ(Shape(*table), Shape(List(kind.list)));
    EXPECT_EQ(Indexes(kind.table), kind.indexes);
    EXPECT_TRUE(Create(kind.table));
  }
  EXPECT_EQ(UserTables(), static_cast<int>(EveryKind().size()));
}

TEST_F(CreateJobDBTable, OnlyTheAlphaIDTextsAllowZeroLength) {
  Create("AlphaIDs");
  Create("Points");
  Reopen();
  auto alpha = db_->TableDefs("AlphaIDs");
  for (int i = 0; i < alpha->FieldsCount(); ++i) {
    const FieldPtr f = alpha->Fields(i);
    EXPECT_EQ(f->AllowZeroLength(), f->Name() == "AlphaID" || f->Name() == "SwappedCode")
        << f->Name();
  }
  auto store_blank = [&](const std::string& table, const std::string& field) {
    auto rs = db_->OpenRecordset(table);
    rs->AddNew();
    rs->Fields(field)->SetValue(Variant(""));
    rs->Update();
  };
  store_blank("AlphaIDs", "AlphaID");
  store_blank("AlphaIDs", "SwappedCode");
  EXPECT_NRX_ERROR(err::kZeroLength, store_blank("Points", "Description"));
}

TEST_F(CreateJobDBTable, ExistenceTestsNamesWithoutAListAndTheEmptyName) {
  for (const char* name : {"AlphaIDs2", "LS_Unknown1", "LSOptions3", "Notes"}) {
    EXPECT_FALSE(Create(name)) << name;
  }
  EXPECT_EQ(ErrorStack::Instance().Count(), 0u);
  bool exists = true;
  procs_->CreateJobDBTable(db_, "", path_, &exists);
  EXPECT_TRUE(exists);

  EXPECT_FALSE(Create("Lines", true));
  EXPECT_EQ(UserTables(), 0);
  Create("Lines");
  EXPECT_TRUE(Create("Lines", true));

  // A name differing only in case is not found, and the engine refuses a second table beside it.
  MakeTable("points", {}, {}, {{"PointNo", dbLong, 0}});
  EXPECT_PASSED_ON(err::kTableExists, kLabel, Create("Points"));
}

TEST_F(CreateJobDBTable, TablesSetUpByTheCallersOwnNames) {
  model::TableNames& names = model::TableNames::Instance();
  names.SetTraversePrefix("Trav_");
  names.SetTraverseHeaderPrefix("Trav_Hdr_");
  names.SetPointIndex("PtIdx");
  EXPECT_FALSE(Create("Trav_Hdr_12"));
  EXPECT_FALSE(Create("Trav_12"));
  EXPECT_FALSE(Create("Points"));
  Reopen();
  EXPECT_EQ(Shape(*db_->TableDefs("Trav_Hdr_12")), Shape(List("TraverseHeader")));
  EXPECT_EQ(Shape(*db_->TableDefs("Trav_12")), Shape(List("Traverse")));
  EXPECT_EQ(Indexes("Points"), (ExpectedIndexes{{"PtIdx", "PointNo", true, true}}));
}

TEST_F(CreateJobDBTable, PointsTableStaysWhenItsIndexCannotBeMade) {
  model::TableNames::Instance().SetPointIndex("");  // the engine takes no index without a name
  EXPECT_FALSE(Create("Points"));
  Reopen();
  EXPECT_EQ(Shape(*db_->TableDefs("Points")), Shape(List("Points")));
  EXPECT_TRUE(Indexes("Points").empty());
  EXPECT_EQ(ErrorStack::Instance().Count(), 0u);
}

// Overwrites the whole of a file with bytes that are no database.
void Scramble(const std::string& path) {
  WriteFile(path, std::string(std::filesystem::file_size(path), '\xA5'));
}

class DamagedJob : public CreateJobDBTable {
 protected:
  void TearDown() override {
    try {
      if (db_) db_->Close();
    } catch (const Error&) {
    }
    db_.reset();
    CreateJobDBTable::TearDown();
  }
};

TEST_F(DamagedJob, RepairIsAskedForTheUserToldAndTheErrorPassedOn) {
  Create("JobDetails");
  Scramble(path_);
  bool exists = true;
  EXPECT_PASSED_ON(err::kNotADatabase, kLabel,
                   procs_->CreateJobDBTable(db_, "Lines", path_, &exists));
  EXPECT_FALSE(exists);

  ASSERT_EQ(boxes_->Calls().size(), 1u);
  const MessageBoxCall& box = boxes_->Calls()[0];
  EXPECT_EQ(box.text, "Attempted to open database " + path_ +
                          " to add table 'Lines'- database required repair\r\n\r\n"
                          "Please close and re-open current job job and run 'Compact Job' option");
  EXPECT_EQ(box.icon, MsgIcon::Exclamation);
  // The engine's own report comes first on the error stack, then this member's.
  const auto records = ErrorStack::Instance().Records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().second, kLabel);
  EXPECT_NE(records.back().first, kLabel);
}

TEST_F(DamagedJob, FileNamedForRepairIsRepairedWhenNothingHoldsIt) {
  // The caller's database is held open; the member repairs the file of the name it is given.
  Create("JobDetails");
  db_->Execute("INSERT INTO JobDetails (Surveyor) VALUES ('Ann')");
  const std::string other = Path("other.njb");
  db_->Close();
  std::filesystem::copy_file(path_, other);
  db_ = ws_->OpenDatabase(path_);
  Scramble(path_);
  EXPECT_NRX_ERROR(err::kNotADatabase, procs_->CreateJobDBTable(db_, "Lines", other));
  EXPECT_TRUE(std::filesystem::exists(other + ".damaged"));
  EXPECT_EQ(boxes_->Calls().size(), 1u);
}

}  // namespace
}  // namespace nrx::test
