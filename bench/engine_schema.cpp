// Creating and reading table definitions: 1,000 tables of 20 fields with 2 indexes each in one
// transaction, then reopening and walking every field and index, against the same work in plain
// SQLite statements.

#include <sqlite3.h>

#include "bench_support.h"
#include "nrxJobDb/engine.h"

namespace {

constexpr int kTables = 1000;
constexpr int kFields = 20;
const int kTypes[] = {nrx::dbLong, nrx::dbDouble, nrx::dbText, nrx::dbInteger, nrx::dbBoolean};
const char* kSqlTypes[] = {"INTEGER", "REAL", "TEXT", "INTEGER", "INTEGER"};

std::string FieldName(int f) { return fmt::format("Field{:02}", f); }

void CreateOurs(const std::string& path) {
  auto ws = nrx::DBEngine::Instance().Workspaces(0);
  auto db = ws->CreateDatabase(path, nrx::kJobConnect, 0);
  ws->BeginTrans();
  for (int t = 0; t < kTables; ++t) {
    auto table = db->CreateTableDef(fmt::format("Table{:04}", t));
    for (int f = 0; f < kFields; ++f)
      table->FieldsAppend(table->CreateField(FieldName(f), kTypes[f % 5], kTypes[f % 5] == nrx::dbText ? 40 : 0));
    db->TableDefsAppend(table);
    for (int i = 0; i < 2; ++i) {
      auto ix = table->CreateIndex(i ? "RecordNo_Index" : "PointNo_Index");
      ix->SetFields(i ? "Field01;Field02" : "Field00");
      ix->SetPrimary(i == 0);
      table->IndexesAppend(ix);
    }
  }
  ws->CommitTrans();
  db->Close();
}

long WalkOurs(const std::string& path) {
  auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(path);
  long seen = 0;
  for (int t = 0; t < db->TableDefsCount(); ++t) {
    auto table = db->TableDefs(t);
    for (int f = 0; f < table->FieldsCount(); ++f) seen += table->Fields(f)->Size() + table->Fields(f)->Type();
    for (int i = 0; i < table->IndexesCount(); ++i) seen += static_cast<long>(table->Indexes(i)->Fields().size());
  }
  db->Close();
  return seen;
}

void Exec(sqlite3* db, const std::string& sql) { sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr); }

void CreateSqlite(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  Exec(db, "PRAGMA journal_mode=DELETE");
  Exec(db, "BEGIN");
  for (int t = 0; t < kTables; ++t) {
    std::string name = fmt::format("Table{:04}", t);
    std::string sql = "CREATE TABLE " + name + " (";
    for (int f = 0; f < kFields; ++f) sql += (f ? ", " : "") + FieldName(f) + " " + kSqlTypes[f % 5];
    Exec(db, sql + ")");
    Exec(db, fmt::format("CREATE UNIQUE INDEX {0}_PointNo_Index ON {0} (Field00)", name));
    Exec(db, fmt::format("CREATE INDEX {0}_RecordNo_Index ON {0} (Field01, Field02)", name));
  }
  Exec(db, "COMMIT");
  sqlite3_close(db);
}

long WalkSqlite(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  long seen = 0;
  sqlite3_stmt* tables = nullptr;
  sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name", -1, &tables, nullptr);
  sqlite3_stmt* cols = nullptr;
  sqlite3_prepare_v2(db, "SELECT name, type FROM pragma_table_info(?1)", -1, &cols, nullptr);
  sqlite3_stmt* idx = nullptr;
  sqlite3_prepare_v2(db, "SELECT il.name, ii.name FROM pragma_index_list(?1) il, pragma_index_info(il.name) ii", -1, &idx, nullptr);
  while (sqlite3_step(tables) == SQLITE_ROW) {
    std::string name = reinterpret_cast<const char*>(sqlite3_column_text(tables, 0));
    sqlite3_bind_text(cols, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(cols) == SQLITE_ROW) seen += sqlite3_column_bytes(cols, 1);
    sqlite3_reset(cols);
    sqlite3_bind_text(idx, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(idx) == SQLITE_ROW) seen += sqlite3_column_bytes(idx, 1);
    sqlite3_reset(idx);
  }
  sqlite3_finalize(tables);
  sqlite3_finalize(cols);
  sqlite3_finalize(idx);
  sqlite3_close(db);
  return seen;
}

template <void (*Create)(const std::string&)>
void BM_Create(benchmark::State& state) {
  auto dir = nrx::bench::Folder("engine_schema_create");
  int n = 0;
  for (auto _ : state) {
    Create((dir / fmt::format("job{}.njb", n++)).string());
  }
}

template <void (*Create)(const std::string&), long (*Walk)(const std::string&)>
void BM_Walk(benchmark::State& state) {
  auto dir = nrx::bench::Folder("engine_schema_walk");
  auto path = (dir / "job.njb").string();
  Create(path);
  for (auto _ : state) benchmark::DoNotOptimize(Walk(path));
}

}  // namespace

BENCHMARK(BM_Create<CreateOurs>)->Name("create_1000_tables/ours")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Create<CreateSqlite>)->Name("create_1000_tables/sqlite")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Walk<CreateOurs, WalkOurs>)->Name("walk_1000_tables/ours")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Walk<CreateSqlite, WalkSqlite>)->Name("walk_1000_tables/sqlite")->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  nrx::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios({"create_1000_tables", "walk_1000_tables"});
  benchmark::Shutdown();
}
