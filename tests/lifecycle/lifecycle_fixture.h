#pragma once
// What the lifecycle tests share: the objects the application hands to OpenJobDB and
// CloseDBfiles, scripted message boxes, a recycle bin inside the test's folder, small job files
// and file times set on the local clock.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "lifecycle/job_files.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_log.h"
#include "nrxJobDb/error_stack.h"
#include "nrxJobDb/message_box.h"
#include "support/test_support.h"

namespace nrx::test {

// (PointNo, Code) of every record of a job's Points table, in point order.
using PointRecords = std::vector<std::pair<int, std::string>>;

class LifecycleTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    ErrorStack::Instance().SetSuspended(false);
    ErrorStack::Instance().Reset();
    boxes_ = std::make_shared<ScriptedMessageBox>();
    previous_boxes_ = SetMessageBoxService(boxes_);
    if (const char* data_home = std::getenv("XDG_DATA_HOME")) saved_data_home_ = data_home;
    ::setenv("XDG_DATA_HOME", Path("data").c_str(), 1);
    std::filesystem::create_directories(Path("tmp"));
    prog_->SetTempFolder(Path("tmp"));
    procs_ = std::make_shared<cJobProcs>();
  }

  void TearDown() override {
    log_->Stop();
    WorkspacePtr ws = DBEngine::Instance().Workspaces(0);
    while (ws->TransactionLevel() > 0) ws->Rollback();
    db_.reset();
    ws->Close();
    lifecycle::SetJobFiles(nullptr);
    SetMessageBoxService(previous_boxes_);
    if (saved_data_home_) {
      ::setenv("XDG_DATA_HOME", saved_data_home_->c_str(), 1);
    } else {
      ::unsetenv("XDG_DATA_HOME");
    }
    TempDirTest::TearDown();
  }

  // Opens the job as the application does, with the fixture's objects.
  void Open(const std::string& path, bool checkFields = false) {
    job_->SetJobFileName(path);
    check_fields_ = checkFields;
    procs_->OpenJobDB(ws_, db_, grid_, job_, log_, false, general_, check_fields_, prog_, &cancel_);
  }

  bool Close(bool forceSave = false, bool useTempBackup = true, bool toRecycleBin = false) {
    return procs_->CloseDBfiles(ws_, db_, grid_, general_, toRecycleBin, forceSave, useTempBackup);
  }

  // A closed job file whose Points table (PointNo, Code) holds the given records.
  static void MakeJob(const std::string& path, const PointRecords& records) {
    auto ws = std::make_shared<Workspace>("maker");
    DatabasePtr db = ws->CreateDatabase(path, kJobConnect, dbEncrypt);
    TableDefPtr table = db->CreateTableDef("Points");
    table->FieldsAppend(table->CreateField("PointNo", dbLong));
    table->FieldsAppend(table->CreateField("Code", dbText, 16));
    db->TableDefsAppend(table);
    ws->BeginTrans();  // one write to the disk rather than one a record
    for (const auto& [number, code] : records) AddPoint(*db, number, code);
    ws->CommitTrans();
  }

  static void AddPoint(Database& db, int number, const std::string& code) {
    RecordsetPtr rs = db.OpenRecordset("Points", dbOpenTable);
    rs->AddNew();
    rs->Fields("PointNo")->SetValue(Variant(number));
    rs->Fields("Code")->SetValue(Variant(code));
    rs->Update();
  }

  // The records of a job file, read in a workspace of its own so that the transactions of the
  // default workspace do not reach it.
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

  static std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }

  static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

  // Sets a file's modification time to a moment on the local clock.
  static void SetLocalTime(const std::string& path, int year, int month, int day, int hour,
                           int minute) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;
    std::filesystem::last_write_time(path, LocalTime(local));
  }

  static std::filesystem::file_time_type LocalTime(std::tm local) {
    const auto system = std::chrono::system_clock::from_time_t(std::mktime(&local));
    return std::chrono::file_clock::from_sys(system);
  }

  std::shared_ptr<cJobProcs> procs_;
  std::shared_ptr<ScriptedMessageBox> boxes_;
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
  std::shared_ptr<MessageBoxService> previous_boxes_;
  std::optional<std::string> saved_data_home_;
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

// File operations that cannot read a file's time, and pass everything else on.
class UnreadableTimes : public lifecycle::DiskJobFiles {
 public:
  std::filesystem::file_time_type LastWriteTime(const std::string& path) override {
    Raise(err::kFileNotFound, "test", path);
  }
};

}  // namespace nrx::test
