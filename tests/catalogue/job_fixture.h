#pragma once
// A fresh job file per test, a cJobProcs object, its lists by name, tables made from them, and
// the shapes of tables and indexes as the file holds them.

#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/catalogue_lists.h"
#include "catalogue/job_procs_access.h"
#include "engine/engine_fixture.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_stack.h"
#include "nrxJobDb/table_names.h"
#include "support/component_globals.h"

namespace nrx::test {

using FieldShape = std::tuple<std::string, int, int>;  // name, type, size (0 unless Text)
// Index name, fields, primary, unique.
using IndexShape = std::tuple<std::string, std::string, bool, bool>;

class JobTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    globals_.emplace(boxes_);
    procs_ = std::make_unique<cJobProcs>();
    path_ = Path("job.njb");
    db_ = Create("job.njb");
  }
  void TearDown() override {
    db_.reset();
    globals_.reset();
    EngineTest::TearDown();
  }

  const TableFieldList& List(std::string_view name) {
    for (const catalogue::ListMember& m : catalogue::DeclaredLists()) {
      if (m.list == name) return JobProcsTestAccess::Catalogue(*procs_).*m.member;
    }
    throw std::invalid_argument(std::string(name));
  }

  // A table holding the fields of `list` except those at the 1-based positions in `skip`,
  // followed by `extras`.
  TableDefPtr MakeTable(const std::string& name, const TableFieldList& list,
                        const std::set<int>& skip = {},
                        const std::vector<FieldShape>& extras = {}) {
    auto table = db_->CreateTableDef(name);
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (skip.count(static_cast<int>(i) + 1)) continue;
      table->FieldsAppend(
          table->CreateField(list[i].fieldName, list[i].fieldType, list[i].fieldSiz));
    }
    for (const auto& [n, type, size] : extras)
      table->FieldsAppend(table->CreateField(n, type, size));
    db_->TableDefsAppend(table);
    return db_->TableDefs(name);
  }

  void AddIndex(const std::string& table, const std::string& name, const std::string& fields,
                bool primary, bool unique) {
    auto def = db_->TableDefs(table);
    def->IndexesAppend(MakeIndex(*def, name, fields, primary, unique));
  }

  static std::vector<FieldShape> Shape(TableDef& table) {
    std::vector<FieldShape> shape;
    for (int i = 0; i < table.FieldsCount(); ++i) {
      const FieldPtr f = table.Fields(i);
      shape.emplace_back(f->Name(), f->Type(), f->Type() == dbText ? f->Size() : 0);
    }
    return shape;
  }
  static std::vector<FieldShape> Shape(const TableFieldList& list) {
    std::vector<FieldShape> shape;
    for (const TableFieldDef& d : list) shape.emplace_back(d.fieldName, d.fieldType, d.fieldSiz);
    return shape;
  }
  std::vector<IndexShape> Indexes(const std::string& table) {
    auto def = db_->TableDefs(table);
    def->IndexesRefresh();
    std::vector<IndexShape> out;
    for (int i = 0; i < def->IndexesCount(); ++i) {
      auto ix = def->Indexes(i);
      out.emplace_back(ix->Name(), ix->Fields(), ix->Primary(), ix->Unique());
    }
    return out;
  }

  void Reopen() {
    db_->Close();
    db_ = ws_->OpenDatabase(path_);
  }

  std::unique_ptr<cJobProcs> procs_;
  std::string path_;
  DatabasePtr db_;
  std::shared_ptr<ScriptedMessageBox> boxes_ = std::make_shared<ScriptedMessageBox>();

 private:
  std::optional<ComponentGlobals> globals_;
};

}  // namespace nrx::test
