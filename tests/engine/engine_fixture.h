#pragma once
// A fresh folder per test and the default workspace, left without transactions or databases.

#include "nrxJobDb/engine.h"
#include "support/test_support.h"

namespace nrx::test {

class EngineTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    ws_ = DBEngine::Instance().Workspaces(0);
  }
  void TearDown() override {
    while (ws_->TransactionLevel() > 0) ws_->Rollback();
    ws_->Close();
    TempDirTest::TearDown();
  }

  DatabasePtr Create(const std::string& name, int options = 0) {
    return ws_->CreateDatabase(Path(name), kJobConnect, options);
  }

  // Makes a table of (name, type, size) fields.
  TableDefPtr MakeTable(Database& db, const std::string& name,
                        std::initializer_list<std::tuple<const char*, int, int>> fields) {
    auto t = db.CreateTableDef(name);
    for (const auto& [n, type, size] : fields) t->FieldsAppend(t->CreateField(n, type, size));
    db.TableDefsAppend(t);
    return t;
  }

  static IndexPtr MakeIndex(TableDef& t, const std::string& name, const std::string& fields,
                            bool primary, bool unique) {
    auto ix = t.CreateIndex(name);
    ix->SetFields(fields);
    ix->SetPrimary(primary);
    ix->SetUnique(unique);
    return ix;
  }

  // Adds one record through `rs`, the given fields set and the others left alone.
  static void AddRecord(Recordset& rs,
                        std::initializer_list<std::pair<const char*, Variant>> values) {
    rs.AddNew();
    for (const auto& [name, value] : values) rs.Fields(name)->SetValue(value);
    rs.Update();
  }

  // The single value of a one-row, one-column count over a table, read through Execute-free SQL
  // of the engine: the table's record count.
  static long Count(Database& db, const std::string& table) {
    return db.TableDefs(table)->RecordCount();
  }

  WorkspacePtr ws_;
};

}  // namespace nrx::test
