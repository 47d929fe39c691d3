#pragma once
// What the lifecycle tests share: the objects OpenJobDB and CloseDBfiles take, scripted message
// boxes, small job files and file times on the local clock.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "lifecycle/job_files.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_log.h"
#include "nrxJobDb/file_utility.h"
#include "nrxJobDb/message_box.h"
#include "support/component_globals.h"
#include "support/test_support.h"

namespace nrx::test {

// (PointNo, Code) of every record of a job's Points table, in point order.
using PointRecords = std::vector<std::pair<int, std::string>>;

class LifecycleTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    globals_.emplace(boxes_);
    std::filesystem::create_directories(Path("tmp"));
    prog_->SetTempFolder(Path("tmp"));
  }

  void TearDown() override {
    lifecycle::SetJobFiles(nullptr);
    log_->Stop();
    db_.reset();
    globals_.reset();
    TempDirTest::TearDown();
  }

  void Open(const std::string& path, bool checkFields = false) {
    job_->SetJobFileName(path);
    check_fields_ = checkFields;
    procs_->OpenJobDB(ws_, db_, grid_, job_, log_, false, general_, check_fields_, prog_, &cancel_);
  }

  bool Close(bool forceSave = false, bool useTempBackup = true, bool toRecycleBin = false) {
    return procs_->CloseDBfiles(ws_, db_, grid_, general_, toRecycleBin, forceSave, useTempBackup);
  }

  // Expects the box shown since the last ClearCalls to be the only one, and to be this one.
  void ExpectOneBox(const std::string& text, MsgButtons buttons = MsgButtons::OK,
                    MsgIcon icon = MsgIcon::Exclamation, std::string_view title = kMessageTitle) {
    ASSERT_EQ(1u, boxes_->Calls().size());
    const MessageBoxCall& box = boxes_->Calls()[0];
    EXPECT_EQ(std::tie(text, title, buttons, icon), std::tie(box.text, box.title, box.buttons, box.icon));
  }

  // A closed, encrypted job file whose Points table (PointNo, Code) holds the given records.
  static void MakeJob(const std::string& path, const PointRecords& records) {
    auto ws = std::make_shared<Workspace>("maker");
    DatabasePtr db = ws->CreateDatabase(path, kJobConnect, dbEncrypt);
    AddPointsTable(*db);
    ws->BeginTrans();
    for (const auto& [number, code] : records) AddPoint(*db, number, code);
    ws->CommitTrans();
  }
  static void AddPointsTable(Database& db) {
    TableDefPtr table = db.CreateTableDef("Points");
    table->FieldsAppend(table->CreateField("PointNo", dbLong));
    table->FieldsAppend(table->CreateField("Code", dbText, 16));
    db.TableDefsAppend(table);
  }
  static void AddPoint(Database& db, int number, const std::string& code) {
    RecordsetPtr rs = db.OpenRecordset("Points", dbOpenTable);
    rs->AddNew();
    rs->Fields("PointNo")->SetValue(Variant(number));
    rs->Fields("Code")->SetValue(Variant(code));
    rs->Update();
  }

  // The records of a job file, read in a workspace of its own, out of the default one's transactions.
  static PointRecords PointsIn(const std::string& path) {
    auto ws = std::make_shared<Workspace>("reader");
    DatabasePtr db = ws->OpenDatabase(path, false, true);
    RecordsetPtr rs = db->OpenRecordset("SELECT * FROM Points ORDER BY PointNo", dbOpenSnapshot);
    PointRecords out;
    for (; !rs->Eof(); rs->MoveNext()) {
      out.emplace_back(rs->Fields("PointNo")->Value().ToLong(),
                       rs->Fields("Code")->Value().ToText());
    }
    return out;
  }

  static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

  // A moment of July 2024 on the local clock.
  static std::filesystem::file_time_type July2024(int day, int hour, int minute) {
    std::tm local{};
    local.tm_year = 124;
    local.tm_mon = 6;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;
    return std::chrono::file_clock::from_sys(
        std::chrono::system_clock::from_time_t(std::mktime(&local)));
  }

  std::shared_ptr<cJobProcs> procs_ = std::make_shared<cJobProcs>();
  std::shared_ptr<ScriptedMessageBox> boxes_ = std::make_shared<ScriptedMessageBox>();
  WorkspacePtr ws_;
  DatabasePtr db_;
  model::GridPtr grid_ = std::make_shared<model::Grid>();
  model::JobPtr job_ = std::make_shared<model::Job>();
  std::shared_ptr<ErrorLog> log_ = std::make_shared<ErrorLog>();
  model::JobGeneralPtr general_ = std::make_shared<model::JobGeneral>();
  model::ProgramPtr prog_ = std::make_shared<model::Program>();
  bool check_fields_ = false;
  bool cancel_ = false;

 private:
  std::optional<ComponentGlobals> globals_;
};

// File operations that fail the rename to a chosen destination, and pass everything else on.
class FailingRename : public lifecycle::DiskJobFiles {
 public:
  explicit FailingRename(std::string destination) : destination_(std::move(destination)) {}
  void Rename(const std::string& source, const std::string& destination) override {
    if (destination == destination_) {
      throw Error(err::kPermissionDenied, "test", "Permission denied: the file system said no.");
    }
    DiskJobFiles::Rename(source, destination);
  }

 private:
  std::string destination_;
};

// File operations that see one chosen file as read-only, and pass everything else on.
class ReadOnlyFile : public lifecycle::DiskJobFiles {
 public:
  explicit ReadOnlyFile(std::string path) : path_(std::move(path)) {}
  bool Exists(const std::string& path, std::int32_t& attributes) override {
    const bool there = DiskJobFiles::Exists(path, attributes);
    if (there && path == path_) attributes = model::kAttrReadOnly;
    return there;
  }

 private:
  std::string path_;
};

// File operations that cannot read a file's time, and pass everything else on.
class UnreadableTimes : public lifecycle::DiskJobFiles {
 public:
  std::filesystem::file_time_type LastWriteTime(const std::string& path) override {
    Raise(err::kFileNotFound, "test", path);
  }
};

}  // namespace nrx::test
