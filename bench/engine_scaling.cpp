// How the cost of one recordset operation grows with the recordset: each pattern at 10,000,
// 100,000 and 1,000,000 records, against plain SQLite doing the same work in the same run. Prints
//   RATIO case=<pattern>_<n> ours_over_sqlite=<x>
//   GROWTH case=<pattern> ours=<x> sqlite=<y>   (cost of one operation at 1M over that at 10k)
//   MEMORY case=peak_1M bytes_per_record=<x>    (a dynaset of 1M records after MoveLast)
// Times are CPU times, the best of a few runs. Every write is rolled back, so each run sees the
// same records.

#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <random>

#include "bench_support.h"
#include "points_job.h"

namespace {

using nrx::Recordset;
using nrx::RecordsetPtr;

constexpr int kOps = 2000;  // operations timed per run, where the pattern repeats one
constexpr int kRuns = 3;
constexpr int kHitEvery = 1000;
const int kSizes[] = {10000, 100000, 1000000};
constexpr const char* kColumns = "rowid, PointNo, Easting, Northing, Code";
// A dynaset whose filter no index serves, so that it is read in row id order.
constexpr const char* kDynaset = "SELECT * FROM Points WHERE Easting > 0";

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Times the part of a run between Start and Stop; a run reports its number of operations.
class Timer {
 public:
  void Start() { start_ = CpuSeconds(); }
  void Stop() { seconds_ = CpuSeconds() - start_; }
  double Seconds() const { return seconds_; }

 private:
  double start_ = 0, seconds_ = 0;
};

struct Job {
  int rows;
  std::string path;
};

using nrx::bench::Ws;

// A plain SQLite connection with the engine's page cache, inside one transaction that is
// rolled back at the end, as the engine's side runs inside BeginTrans ... Rollback.
class Plain {
 public:
  explicit Plain(const std::string& path) {
    sqlite3_open(path.c_str(), &db_);
    Exec("PRAGMA cache_size=-16384");
    Exec("BEGIN");
  }
  ~Plain() {
    for (auto* st : statements_) sqlite3_finalize(st);
    Exec("ROLLBACK");
    sqlite3_close(db_);
  }
  void Exec(const char* sql) { sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }
  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      fmt::print(stderr, "cannot prepare {}: {}\n", sql, sqlite3_errmsg(db_));
      std::exit(1);
    }
    statements_.push_back(st);
    return st;
  }

 private:
  sqlite3* db_ = nullptr;
  std::vector<sqlite3_stmt*> statements_;
};

// What reading a record costs a caller: every field.
double ReadRow(sqlite3_stmt* st) {
  double sum = sqlite3_column_int(st, 1) + sqlite3_column_double(st, 2) + sqlite3_column_double(st, 3);
  return sum + static_cast<double>(sqlite3_column_bytes(st, 4));
}

double ReadRow(Recordset& rs) {
  double sum = rs.Fields(0)->Value().ToDouble() + rs.Fields(1)->Value().ToDouble() +
               rs.Fields(2)->Value().ToDouble();
  return sum + static_cast<double>(rs.Fields(3)->Value().ToText().size());
}

// The engine's side: the database open in a transaction rolled back after the run.
template <typename F>
int RunOurs(const Job& job, Timer& timer, F&& body) {
  auto db = Ws()->OpenDatabase(job.path);
  Ws()->BeginTrans();
  int ops = body(*db, timer);
  Ws()->Rollback();
  db->Close();
  return ops;
}

void AddOne(Recordset& rs, int no) {
  rs.AddNew();
  rs.Fields(0)->SetValue(no);
  rs.Fields(1)->SetValue(1000.0 + no);
  rs.Fields(2)->SetValue(5000.0 + no);
  rs.Fields(3)->SetValue("NEW");
  rs.Update();
}

void BindAdd(sqlite3_stmt* st, int no) {
  sqlite3_bind_int(st, 1, no);
  sqlite3_bind_double(st, 2, 1000.0 + no);
  sqlite3_bind_double(st, 3, 5000.0 + no);
  sqlite3_bind_text(st, 4, "NEW", -1, SQLITE_STATIC);
}

// Keys of existing records, each once, spread over the table.
int SpreadKey(int i, int rows) { return 1 + static_cast<int>((static_cast<long>(i) * 7919) % rows); }

volatile double g_sink = 0;

using Side = std::function<int(const Job&, Timer&)>;
struct Pattern {
  const char* name;
  Side ours, sqlite;
};

std::vector<Pattern> Patterns() {
  std::vector<Pattern> p;
  // AddNew + Update on a table-type recordset.
  // SQLite: INSERT INTO Points (PointNo, Easting, Northing, Code) VALUES (?1, ?2, ?3, ?4)
  p.push_back({"add",
               [](const Job& job, Timer& t) {
                 return RunOurs(job, t, [&](nrx::Database& db, Timer& t) {
                   auto rs = db.OpenRecordset("Points");
                   t.Start();
                   for (int i = 1; i <= kOps; ++i) AddOne(*rs, job.rows + i);
                   t.Stop();
                   return kOps;
                 });
               },
               [](const Job& job, Timer& t) {
                 Plain db(job.path);
                 t.Start();
                 auto* ins = db.Prepare("INSERT INTO Points (PointNo, Easting, Northing, Code) VALUES (?1, ?2, ?3, ?4)");
                 for (int i = 1; i <= kOps; ++i) {
                   BindAdd(ins, job.rows + i);
                   sqlite3_step(ins);
                   sqlite3_reset(ins);
                 }
                 t.Stop();
                 return kOps;
               }});
  // AddNew + Update, then MoveLast, on a table-type recordset following PointNo_Index.
  // SQLite: the INSERT above, then
  //   SELECT rowid, PointNo, Easting, Northing, Code FROM Points ORDER BY PointNo DESC, rowid DESC
  // stepped to its first row.
  p.push_back({"add_movelast",
               [](const Job& job, Timer& t) {
                 return RunOurs(job, t, [&](nrx::Database& db, Timer& t) {
                   auto rs = db.OpenRecordset("Points");
                   rs->SetIndex("PointNo_Index");
                   t.Start();
                   for (int i = 1; i <= kOps; ++i) {
                     AddOne(*rs, job.rows + i);
                     rs->MoveLast();
                     g_sink = g_sink + ReadRow(*rs);
                   }
                   t.Stop();
                   return kOps;
                 });
               },
               [](const Job& job, Timer& t) {
                 Plain db(job.path);
                 t.Start();
                 auto* ins = db.Prepare("INSERT INTO Points (PointNo, Easting, Northing, Code) VALUES (?1, ?2, ?3, ?4)");
                 auto* last = db.Prepare(fmt::format("SELECT {} FROM Points ORDER BY PointNo DESC, rowid DESC", kColumns));
                 for (int i = 1; i <= kOps; ++i) {
                   BindAdd(ins, job.rows + i);
                   sqlite3_step(ins);
                   sqlite3_reset(ins);
                   if (sqlite3_step(last) == SQLITE_ROW) g_sink = g_sink + ReadRow(last);
                   sqlite3_reset(last);
                 }
                 t.Stop();
                 return kOps;
               }});
  // Seek "=" on PointNo_Index, reading the record found.
  // SQLite: SELECT rowid, PointNo, Easting, Northing, Code FROM Points WHERE PointNo = ?1
  auto seek_sql = fmt::format("SELECT {} FROM Points WHERE PointNo = ?1", kColumns);
  p.push_back({"seek",
               [](const Job& job, Timer& t) {
                 return RunOurs(job, t, [&](nrx::Database& db, Timer& t) {
                   auto rs = db.OpenRecordset("Points");
                   rs->SetIndex("PointNo_Index");
                   t.Start();
                   for (int i = 0; i < kOps; ++i) {
                     rs->Seek("=", SpreadKey(i, job.rows));
                     g_sink = g_sink + ReadRow(*rs);
                   }
                   t.Stop();
                   return kOps;
                 });
               },
               [seek_sql](const Job& job, Timer& t) {
                 Plain db(job.path);
                 t.Start();
                 auto* seek = db.Prepare(seek_sql);
                 for (int i = 0; i < kOps; ++i) {
                   sqlite3_bind_int(seek, 1, SpreadKey(i, job.rows));
                   if (sqlite3_step(seek) == SQLITE_ROW) g_sink = g_sink + ReadRow(seek);
                   sqlite3_reset(seek);
                 }
                 t.Stop();
                 return kOps;
               }});
  // Seek, then MoveNext, reading both records.
  // SQLite: the Seek above, then
  //   SELECT rowid, PointNo, Easting, Northing, Code FROM Points WHERE PointNo > ?1 ORDER BY PointNo
  // stepped to its first row.
  p.push_back({"seek_movenext",
               [](const Job& job, Timer& t) {
                 return RunOurs(job, t, [&](nrx::Database& db, Timer& t) {
                   auto rs = db.OpenRecordset("Points");
                   rs->SetIndex("PointNo_Index");
                   t.Start();
                   for (int i = 0; i < kOps; ++i) {
                     rs->Seek("=", SpreadKey(i, job.rows));
                     g_sink = g_sink + ReadRow(*rs);
                     rs->MoveNext();
                     if (!rs->Eof()) g_sink = g_sink + ReadRow(*rs);
                   }
                   t.Stop();
                   return kOps;
                 });
               },
               [seek_sql](const Job& job, Timer& t) {
                 Plain db(job.path);
                 t.Start();
                 auto* seek = db.Prepare(seek_sql);
                 auto* next = db.Prepare(fmt::format("SELECT {} FROM Points WHERE PointNo > ?1 ORDER BY PointNo", kColumns));
                 for (int i = 0; i < kOps; ++i) {
                   int key = SpreadKey(i, job.rows);
                   sqlite3_bind_int(seek, 1, key);
                   if (sqlite3_step(seek) == SQLITE_ROW) g_sink = g_sink + ReadRow(seek);
                   sqlite3_reset(seek);
                   sqlite3_bind_int(next, 1, key);
                   if (sqlite3_step(next) == SQLITE_ROW) g_sink = g_sink + ReadRow(next);
                   sqlite3_reset(next);
                 }
                 t.Stop();
                 return kOps;
               }});
  // Seek, then Delete.
  // SQLite: the Seek above, then DELETE FROM Points WHERE rowid = ?1
  p.push_back({"seek_delete",
               [](const Job& job, Timer& t) {
                 return RunOurs(job, t, [&](nrx::Database& db, Timer& t) {
                   auto rs = db.OpenRecordset("Points");
                   rs->SetIndex("PointNo_Index");
                   t.Start();
                   for (int i = 0; i < kOps; ++i) {
                     rs->Seek("=", SpreadKey(i, job.rows));
                     rs->Delete();
                   }
                   t.Stop();
                   return kOps;
                 });
               },
               [seek_sql](const Job& job, Timer& t) {
                 Plain db(job.path);
                 t.Start();
                 auto* seek = db.Prepare(seek_sql);
                 auto* del = db.Prepare("DELETE FROM Points WHERE rowid = ?1");
                 for (int i = 0; i < kOps; ++i) {
                   sqlite3_bind_int(seek, 1, SpreadKey(i, job.rows));
                   sqlite3_int64 rowid = sqlite3_step(seek) == SQLITE_ROW ? sqlite3_column_int64(seek, 0) : 0;
                   sqlite3_reset(seek);
                   sqlite3_bind_int64(del, 1, rowid);
                   sqlite3_step(del);
                   sqlite3_reset(del);
                 }
                 t.Stop();
                 return kOps;
               }});
  // FindFirst on the primary key in a dynaset, one criterion after another.
  // SQLite, prepared for each key k as the criterion is new each time:
  //   SELECT rowid, PointNo, Easting, Northing, Code FROM Points WHERE (Easting > 0) AND (PointNo = k)
  //   ORDER BY rowid, stepped to its first row.
  p.push_back({"findfirst",
               [](const Job& job, Timer& t) {
                 return RunOurs(job, t, [&](nrx::Database& db, Timer& t) {
                   auto rs = db.OpenRecordset(kDynaset);
                   t.Start();
                   for (int i = 0; i < kOps; ++i) {
                     rs->FindFirst("PointNo = " + std::to_string(SpreadKey(i, job.rows)));
                     g_sink = g_sink + ReadRow(*rs);
                   }
                   t.Stop();
                   return kOps;
                 });
               },
               [](const Job& job, Timer& t) {
                 Plain db(job.path);
                 t.Start();
                 for (int i = 0; i < kOps; ++i) {
                   sqlite3_stmt* st = db.Prepare(fmt::format(
                       "SELECT {} FROM Points WHERE (Easting > 0) AND (PointNo = {}) ORDER BY rowid", kColumns,
                       SpreadKey(i, job.rows)));
                   if (sqlite3_step(st) == SQLITE_ROW) g_sink = g_sink + ReadRow(st);
                   sqlite3_reset(st);
                 }
                 t.Stop();
                 return kOps;
               }});
  // FindFirst, then FindNext to the last match: one record in 1,000 matches, none indexed.
  // SQLite: SELECT rowid, PointNo, Easting, Northing, Code FROM Points
  //   WHERE (Easting > 0) AND (Code = 'HIT') AND rowid > ?1 ORDER BY rowid
  // stepped to its first row, from the row id last found.
  p.push_back({"findnext",
               [](const Job& job, Timer& t) {
                 return RunOurs(job, t, [&](nrx::Database& db, Timer& t) {
                   auto rs = db.OpenRecordset(kDynaset);
                   int hits = 0;
                   t.Start();
                   for (rs->FindFirst("Code = 'HIT'"); !rs->NoMatch(); rs->FindNext("Code = 'HIT'")) {
                     g_sink = g_sink + ReadRow(*rs);
                     ++hits;
                   }
                   t.Stop();
                   return hits;
                 });
               },
               [](const Job& job, Timer& t) {
                 Plain db(job.path);
                 int hits = 0;
                 t.Start();
                 auto* next = db.Prepare(fmt::format(
                     "SELECT {} FROM Points WHERE (Easting > 0) AND (Code = 'HIT') AND rowid > ?1 ORDER BY rowid", kColumns));
                 sqlite3_int64 after = 0;
                 for (;;) {
                   sqlite3_bind_int64(next, 1, after);
                   if (sqlite3_step(next) != SQLITE_ROW) break;
                   g_sink = g_sink + ReadRow(next);
                   after = sqlite3_column_int64(next, 0);
                   sqlite3_reset(next);
                   ++hits;
                 }
                 sqlite3_reset(next);
                 t.Stop();
                 return hits;
               }});
  // Delete the first records of a dynaset, moving on after each.
  // SQLite: SELECT rowid, PointNo, Easting, Northing, Code FROM Points WHERE Easting > 0 ORDER BY rowid
  // stepped once per record, and DELETE FROM Points WHERE rowid = ?1 for each.
  p.push_back({"delete_first",
               [](const Job& job, Timer& t) {
                 return RunOurs(job, t, [&](nrx::Database& db, Timer& t) {
                   t.Start();
                   auto rs = db.OpenRecordset(kDynaset);
                   for (int i = 0; i < kOps; ++i) {
                     rs->Delete();
                     rs->MoveNext();
                   }
                   t.Stop();
                   rs->Close();
                   return kOps;
                 });
               },
               [](const Job& job, Timer& t) {
                 Plain db(job.path);
                 t.Start();
                 auto* scan = db.Prepare(fmt::format("SELECT {} FROM Points WHERE Easting > 0 ORDER BY rowid", kColumns));
                 auto* del = db.Prepare("DELETE FROM Points WHERE rowid = ?1");
                 for (int i = 0; i < kOps && sqlite3_step(scan) == SQLITE_ROW; ++i) {
                   sqlite3_bind_int64(del, 1, sqlite3_column_int64(scan, 0));
                   sqlite3_step(del);
                   sqlite3_reset(del);
                 }
                 sqlite3_reset(scan);
                 t.Stop();
                 return kOps;
               }});
  // MoveLast and RecordCount on a freshly opened dynaset.
  // SQLite: SELECT rowid, PointNo, Easting, Northing, Code FROM Points WHERE Easting > 0 ORDER BY rowid
  // stepped to the end, counting, reading the last record.
  p.push_back({"movelast_count",
               [](const Job& job, Timer& t) {
                 return RunOurs(job, t, [&](nrx::Database& db, Timer& t) {
                   t.Start();
                   auto rs = db.OpenRecordset(kDynaset);
                   rs->MoveLast();
                   g_sink = g_sink + ReadRow(*rs) + static_cast<double>(rs->RecordCount());
                   t.Stop();
                   return 1;
                 });
               },
               [](const Job& job, Timer& t) {
                 Plain db(job.path);
                 t.Start();
                 auto* scan = db.Prepare(fmt::format("SELECT {} FROM Points WHERE Easting > 0 ORDER BY rowid", kColumns));
                 long count = 0;
                 sqlite3_int64 last = 0;
                 while (sqlite3_step(scan) == SQLITE_ROW) {
                   last = sqlite3_column_int64(scan, 0);
                   ++count;
                 }
                 sqlite3_reset(scan);
                 auto* read = db.Prepare(fmt::format("SELECT {} FROM Points WHERE rowid = ?1", kColumns));
                 sqlite3_bind_int64(read, 1, last);
                 if (sqlite3_step(read) == SQLITE_ROW) g_sink = g_sink + ReadRow(read) + static_cast<double>(count);
                 sqlite3_reset(read);
                 t.Stop();
                 return 1;
               }});
  // A forward scan of a table-type recordset, reading every field; one operation a record.
  // SQLite: SELECT rowid, PointNo, Easting, Northing, Code FROM Points ORDER BY rowid
  p.push_back({"scan",
               [](const Job& job, Timer& t) {
                 return RunOurs(job, t, [&](nrx::Database& db, Timer& t) {
                   t.Start();
                   auto rs = db.OpenRecordset("Points");
                   for (; !rs->Eof(); rs->MoveNext()) g_sink = g_sink + ReadRow(*rs);
                   t.Stop();
                   return job.rows;
                 });
               },
               [](const Job& job, Timer& t) {
                 Plain db(job.path);
                 t.Start();
                 auto* scan = db.Prepare(fmt::format("SELECT {} FROM Points ORDER BY rowid", kColumns));
                 while (sqlite3_step(scan) == SQLITE_ROW) g_sink = g_sink + ReadRow(scan);
                 sqlite3_reset(scan);
                 t.Stop();
                 return job.rows;
               }});
  return p;
}

// The best time of one operation over a few runs.
double PerOperation(const Side& side, const Job& job) {
  double best = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    Timer t;
    int ops = side(job, t);
    best = std::min(best, t.Seconds() / std::max(ops, 1));
  }
  return best;
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Run in a process of its own, so that nothing before it has raised the peak: the page cache is
// filled by a walk that keeps no keyset, then a dynaset of every record is read to its end.
int PrintMemory(const std::string& path, int rows) {
  auto db = Ws()->OpenDatabase(path);
  {
    auto warm = db->OpenRecordset("Points");
    for (; !warm->Eof(); warm->MoveNext()) {
    }
  }
  long before = PeakKilobytes();
  auto rs = db->OpenRecordset(kDynaset);
  rs->MoveLast();
  long after = PeakKilobytes();
  fmt::print("MEMORY case=peak_1M bytes_per_record={:.1f}\n",
             static_cast<double>(after - before) * 1024.0 / rows);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--memory") return PrintMemory(argv[2], std::atoi(argv[3]));
  auto dir = nrx::bench::Folder("engine_scaling");
  std::vector<Job> jobs;
  for (int n : kSizes)
    jobs.push_back({n, nrx::bench::MakePointsJob(dir / fmt::format("points{}.njb", n), n, kHitEvery)});

  std::map<std::string, std::map<int, std::pair<double, double>>> times;  // pattern, n: ours, sqlite
  for (const auto& pattern : Patterns())
    for (const auto& job : jobs) {
      double ours = PerOperation(pattern.ours, job);
      double sqlite = PerOperation(pattern.sqlite, job);
      times[pattern.name][job.rows] = {ours, sqlite};
      fmt::print("{:<16} n={:<8} ours={:>10.3f} us/op  sqlite={:>10.3f} us/op\n", pattern.name, job.rows,
                 ours * 1e6, sqlite * 1e6);
      std::fflush(stdout);
    }
  for (const auto& [name, by_size] : times)
    for (const auto& [n, t] : by_size)
      fmt::print("RATIO case={}_{} ours_over_sqlite={:.2f}\n", name, n, t.first / t.second);
  int small = kSizes[0], large = kSizes[std::size(kSizes) - 1];
  for (const auto& [name, by_size] : times)
    fmt::print("GROWTH case={} ours={:.2f} sqlite={:.2f}\n", name,
               by_size.at(large).first / by_size.at(small).first,
               by_size.at(large).second / by_size.at(small).second);
  std::fflush(stdout);
  std::string command = fmt::format("\"{}\" --memory \"{}\" {}", argv[0], jobs.back().path, large);
  return std::system(command.c_str()) == 0 ? 0 : 1;
}
