// njb verify: every index, field and record of a job read through the verification members,
// failures reported with where they were met instead of boxes.

#include <gtest/gtest.h>

#include <string>

#include "cli/in_process.h"
#include "nrxJobDb/engine.h"
#include "support/test_support.h"

namespace nrx::test {
namespace {

class VerifyCommand : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    // Not encrypted, so a test can write to it behind the engine's back.
    DatabasePtr db = DBEngine::Instance().Workspaces(0)->CreateDatabase(Job(), kJobConnect);
    for (const char* name : {"Points", "Lines"}) {
      TableDefPtr table = db->CreateTableDef(name);
      table->FieldsAppend(table->CreateField("PointNo", dbLong));
      table->FieldsAppend(table->CreateField("Code", dbText, 4));
      db->TableDefsAppend(table);
    }
    for (int i = 1; i <= 3; ++i) {
      db->Execute("INSERT INTO Points (PointNo, Code) VALUES (" + std::to_string(i) + ", 'CP')");
    }
    db->Execute("INSERT INTO Lines (PointNo) VALUES (1)");
    db->Close();
  }

  std::string Job() const { return Path("job.njb"); }
  CommandResult Verify(bool json) {
    return RunInProcess(njb::RunVerify, njb::VerifyOptions{.file = Job(), .json = json});
  }
};

TEST_F(VerifyCommand, ASoundJobHasNoFailures) {
  CommandResult result = Verify(false);
  EXPECT_EQ(njb::kExitOk, result.exit_code);
  EXPECT_EQ("2 tables, 4 records: no failures\n", result.output);
  result = Verify(true);
  EXPECT_EQ(njb::kExitOk, result.exit_code);
  EXPECT_EQ("{\"tables\":2,\"records\":4,\"failures\":[]}\n", result.output);
}

TEST_F(VerifyCommand, EachRecordTheEngineCannotReadIsNamedAndTheWalkGoesOn) {
  ExecuteBehindEngine(Job(),
                      "UPDATE Points SET Code = 'too long' WHERE PointNo = 2;"
                      "UPDATE Lines SET Code = 'longer'");
  CommandResult result = Verify(true);
  EXPECT_EQ(njb::kExitNegative, result.exit_code);
  EXPECT_EQ(
      "{\"tables\":2,\"records\":4,\"failures\":["
      "{\"table\":\"Lines\",\"record\":1,\"field\":\"Code\",\"error\":3163,"
      "\"text\":\"The value is too long for its field: 'Code'.\"},"
      "{\"table\":\"Points\",\"record\":2,\"field\":\"Code\",\"error\":3163,"
      "\"text\":\"The value is too long for its field: 'Code'.\"}]}\n",
      result.output);

  result = Verify(false);
  EXPECT_EQ(njb::kExitNegative, result.exit_code);
  EXPECT_CONTAINS(result.output, "Points, record 2, field Code: error 3163: ");
  EXPECT_CONTAINS(result.output, "2 tables, 4 records: 2 failures\n");
}

TEST_F(VerifyCommand, AnAlteredPageOfAnEncryptedJobIsNamedAsAFailureOfTheJob) {
  const std::string sealed = Path("sealed.njb");
  DatabasePtr db =
      DBEngine::Instance().Workspaces(0)->CreateDatabase(sealed, kJobConnect, dbEncrypt);
  TableDefPtr table = db->CreateTableDef("Notes");
  table->FieldsAppend(table->CreateField("Text", dbText, 200));
  db->TableDefsAppend(table);
  for (int i = 0; i < 200; ++i) {
    db->Execute("INSERT INTO Notes (Text) VALUES ('" + std::string(150, 'a' + i % 26) + "')");
  }
  db->Close();
  std::string bytes = ReadFile(sealed);
  bytes[bytes.size() - 200] ^= 0x01;  // inside the last page, far from the file's header
  WriteFile(sealed, bytes);
  CommandResult result =
      RunInProcess(njb::RunVerify, njb::VerifyOptions{.file = sealed, .json = false});
  EXPECT_EQ(njb::kExitNegative, result.exit_code);
  EXPECT_CONTAINS(result.output, "job: error 3049: ");
}

TEST_F(VerifyCommand, TheProgramExitsWith2WhenTheJobCannotBeOpened) {
  WriteFile(Path("not-a-job.njb"), "plain text, not a database");
  CommandResult run = RunCommand(std::string(NJB_PATH) + " verify " + Path("not-a-job.njb"));
  EXPECT_EQ(njb::kExitError, run.exit_code) << run.output;
  EXPECT_CONTAINS(run.output, "njb: error 3049: ");
}

}  // namespace
}  // namespace nrx::test
