#pragma once
// The job the recordset benchmarks read: table Points (PointNo Long primary, Easting, Northing
// Double, Code Text 16), filled through plain SQLite so the set-up stays quick.

#include <sqlite3.h>

#include <filesystem>
#include <random>
#include <string>

#include "bench_support.h"
#include "nrxJobDb/engine.h"

namespace nrx::bench {

// Inserts points 1 to `rows` into Points on `db` in one transaction, through plain SQLite;
// `code(i)` gives point i its Code.
template <class Code>
void InsertPoints(sqlite3* db, int rows, Code code) {
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(
      db, "INSERT INTO Points (PointNo, Easting, Northing, Code) VALUES (?1, ?2, ?3, ?4)", -1, &st,
      nullptr);
  for (int i = 1; i <= rows; ++i) {
    sqlite3_bind_int(st, 1, i);
    sqlite3_bind_double(st, 2, 1000.0 + i);
    sqlite3_bind_double(st, 3, 5000.0 + i);
    sqlite3_bind_text(st, 4, code(i), -1, SQLITE_TRANSIENT);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

// `rows` records numbered from 1; with `hit_every`, every record whose number it divides has
// Code "HIT" instead of "CODE".
inline std::string MakePointsJob(const std::filesystem::path& path, int rows, int hit_every = 0) {
  {
    auto db = DBEngine::Instance().Workspaces(0)->CreateDatabase(path.string(), kJobConnect, 0);
    auto t = db->CreateTableDef("Points");
    t->FieldsAppend(t->CreateField("PointNo", dbLong));
    t->FieldsAppend(t->CreateField("Easting", dbDouble));
    t->FieldsAppend(t->CreateField("Northing", dbDouble));
    t->FieldsAppend(t->CreateField("Code", dbText, 16));
    db->TableDefsAppend(t);
    auto ix = t->CreateIndex("PointNo_Index");
    ix->SetFields("PointNo");
    ix->SetPrimary(true);
    t->IndexesAppend(ix);
    db->Close();
  }
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  InsertPoints(db, rows, [&](int i) { return hit_every && i % hit_every == 0 ? "HIT" : "CODE"; });
  sqlite3_close(db);
  return path.string();
}

// Seeks `seeks` keys drawn at random (the same draw every time) from 1 to `rows` on the current
// index of `rs`, adding up `field`: the random-Seek case the benchmarks share.
inline double SeekAtRandom(nrx::Recordset& rs, const nrx::FieldPtr& field, int rows, int seeks) {
  std::mt19937 rng(1);
  double sum = 0;
  for (int i = 0; i < seeks; ++i) {
    rs.Seek("=", static_cast<int>(rng() % static_cast<unsigned>(rows)) + 1);
    sum += field->Value().ToDouble();
  }
  return sum;
}

// Reads number, easting and code of every record of Points in stored order through the engine:
// the engine's side of the scans the benchmarks time. The sum keeps the reads from being dropped.
inline long ScanPoints(nrx::Database& db) {
  auto rs = db.OpenRecordset("Points");
  auto no = rs->Fields("PointNo"), e = rs->Fields("Easting"), c = rs->Fields("Code");
  long sum = 0;
  for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
    sum += no->Value().ToLong();
    sum += static_cast<long>(e->Value().ToDouble());
    sum += static_cast<long>(c->Value().ToText().size());
  }
  return sum;
}

// Adds points 1 to `rows` to Points on `db` through the engine, in one transaction of the default
// workspace: the engine's side of the additions the benchmarks time.
inline void AddPoints(nrx::Database& db, int rows) {
  auto ws = Ws();
  auto rs = db.OpenRecordset("Points");
  auto no = rs->Fields("PointNo"), e = rs->Fields("Easting"), n = rs->Fields("Northing"),
       c = rs->Fields("Code");
  ws->BeginTrans();
  for (int i = 1; i <= rows; ++i) {
    rs->AddNew();
    no->SetValue(i);
    e->SetValue(1000.0 + i);
    n->SetValue(5000.0 + i);
    c->SetValue("CODE");
    rs->Update();
  }
  ws->CommitTrans();
}

}  // namespace nrx::bench
