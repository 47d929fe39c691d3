// Repair against a corpus of damaged jobs: cut short at every page boundary and at random
// places, with pages zeroed, with bytes flipped. Each repair runs in a child process under a
// memory and time limit. A repair either refuses with an engine error or leaves a job that
// reads cleanly; after a cut or a zeroed page every row it holds is one that was committed.
// (A flipped byte inside a row changes the row: a plain file has no means to tell.)

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/engine_fixture.h"

namespace nrx::test {
namespace {

namespace fs = std::filesystem;

constexpr int kPageSize = 4096;
constexpr int kRows = 400;
const std::vector<std::string> kTables = {"Points", "Lines", "Traverse"};

std::string CodeOf(std::int32_t number) { return "Station " + std::to_string(number) + " pier"; }

enum Outcome : int { kFine = 0, kInventedRow = 2, kReadFailed = 3, kCrashed = 4, kLossUntold = 5 };

// Repairs `path` and reads every record of the job that results; a refusal is fine.
int RepairAndRead(const std::string& path, bool rowsMustBeCommitted) {
  std::vector<std::string> losses;
  try {
    DBEngine::Instance().RepairDatabase(path, {}, &losses);
  } catch (const Error&) {
    return kFine;
  }
  std::size_t rows = 0;
  try {
    auto ws = std::make_shared<Workspace>("reader");
    DatabasePtr db = ws->OpenDatabase(path, false, true);
    for (int t = 0; t < db->TableDefsCount(); ++t) {
      TableDefPtr table = db->TableDefs(t);
      if (table->Name().starts_with("MSys")) continue;
      RecordsetPtr rs = db->OpenRecordset(table->Name(), dbOpenTable);
      for (; !rs->Eof(); rs->MoveNext()) {
        const Variant number = rs->Fields("PointNo")->Value();
        const Variant code = rs->Fields("Code")->Value();
        ++rows;
        if (!rowsMustBeCommitted) continue;
        if (number.IsNull() || code.IsNull() || code.ToText() != CodeOf(number.ToLong())) {
          return kInventedRow;
        }
      }
    }
  } catch (const Error&) {
    return kReadFailed;
  }
  // A repair that lost committed rows must say so.
  if (rowsMustBeCommitted && rows < kRows * kTables.size() && losses.empty()) return kLossUntold;
  return kFine;
}

// Runs `work` in a child with 1 GiB of address space (not under the address sanitizer, which
// reserves far more) and 60 seconds; a child that dies or hangs counts as crashed.
int InChild(const std::function<int()>& work) {
  const pid_t pid = ::fork();
  if (pid == 0) {
#ifndef __SANITIZE_ADDRESS__
    const rlimit limit{1ul << 30, 1ul << 30};
    ::setrlimit(RLIMIT_AS, &limit);
#endif
    ::alarm(60);
    ::_exit(work());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : kCrashed;
}

class RepairCorpus : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    job_ = Path("job.njb");
    DatabasePtr db = Create("job.njb");
    for (const std::string& name : kTables) {
      MakeTable(*db, name, {{"PointNo", dbLong, 0}, {"Code", dbText, 40}, {"X", dbDouble, 0}});
      db->TableDefs(name)->IndexesAppend(
          MakeIndex(*db->TableDefs(name), "RecordNo_Index", "PointNo", true, true));
    }
    ws_->BeginTrans();
    for (const std::string& name : kTables) {
      RecordsetPtr rs = db->OpenRecordset(name, dbOpenTable);
      for (std::int32_t n = 1; n <= kRows; ++n)
        AddRecord(*rs, {{"PointNo", n}, {"Code", CodeOf(n)}, {"X", n * 0.5}});
    }
    ws_->CommitTrans();
    db->Close();
    pages_ = static_cast<int>(fs::file_size(job_) / kPageSize);
  }

  // A damaged copy of the job made by `damage`, repaired and read in a child.
  int Try(const std::string& name, const std::function<void(std::fstream&)>& damage,
          bool rowsMustBeCommitted) {
    const std::string copy = Path(name + ".njb");
    fs::copy_file(job_, copy, fs::copy_options::overwrite_existing);
    {
      std::fstream file(copy, std::ios::binary | std::ios::in | std::ios::out);
      damage(file);
    }
    const int outcome = InChild([&] { return RepairAndRead(copy, rowsMustBeCommitted); });
    for (const std::string& leftover : {copy, copy + ".damaged"}) fs::remove(leftover);
    return outcome;
  }

  std::string job_;
  int pages_ = 0;
};

void Overwrite(std::fstream& file, std::streamoff offset, const std::string& bytes) {
  file.seekp(offset);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(RepairCorpus, CutsAndZeroedPagesLeaveOnlyCommittedRows) {
  ASSERT_GT(pages_, 10);
  std::mt19937 random(20261206);
  std::vector<std::streamoff> cuts;
  for (int page = 1; page < pages_; ++page) cuts.push_back(std::streamoff{page} * kPageSize);
  for (int i = 0; i < 20; ++i) cuts.push_back(random() % (std::streamoff{pages_} * kPageSize));
  for (std::streamoff cut : cuts) {
    const std::string job = job_;
    EXPECT_EQ(kFine, Try("cut", [&](std::fstream&) { fs::resize_file(Path("cut.njb"), cut); },
                         true))
        << "cut at " << cut;
  }
  for (int page = 1; page < pages_; ++page) {
    const std::string zeros(kPageSize, '\0');
    EXPECT_EQ(kFine, Try("zeroed", [&](std::fstream& f) {
      Overwrite(f, std::streamoff{page} * kPageSize, zeros);
    }, true)) << "page " << page + 1 << " zeroed";
  }
}

TEST_F(RepairCorpus, FlippedBytesNeverCrashOrHang) {
  std::mt19937 random(6);
  const std::streamoff size = std::streamoff{pages_} * kPageSize;
  for (int trial = 0; trial < 40; ++trial) {
    std::vector<std::pair<std::streamoff, char>> flips;
    for (int i = 0; i < 20; ++i) flips.emplace_back(random() % size, static_cast<char>(random()));
    EXPECT_EQ(kFine, Try("flipped", [&](std::fstream& f) {
      for (const auto& [offset, byte] : flips) Overwrite(f, offset, std::string(1, byte));
    }, false)) << "trial " << trial;
  }
}

}  // namespace
}  // namespace nrx::test
