#include "engine/jet/jet_copy.h"

#include <algorithm>
#include <numeric>

#include "engine/jet/jet_file.h"
#include "engine/jet/jet_schema.h"
#include "nrxJobDb/engine.h"

namespace nrx::detail::jet {
namespace {

// Rows between two progress reports: often enough for a bar, rarely enough to cost nothing.
constexpr long kProgressStep = 512;

class TableCopier {
 public:
  TableCopier(JetFile& jet, Database& db, CopySink& sink, long total)
      : jet_(jet), db_(db), sink_(sink), total_(total) {}

  void Copy(const JetTable& table) {
    auto def = db_.CreateTableDef(table.name);
    for (const JetColumn& column : table.columns) {
      FieldMapping m = MapColumn(column);
      auto field = def->CreateField(m.field.name, m.field.type, m.field.size);
      field->SetRequired(m.field.required);
      field->SetAllowZeroLength(m.field.allow_zero_length);
      def->FieldsAppend(field);
      if (!m.changed_from.empty())
        sink_.TypeChanged({table.name, column.name, m.changed_from, m.field.type});
    }
    db_.TableDefsAppend(def);
    long rows = CopyRows(table);
    // Built once the rows are in: one pass over them rather than one update per row.
    for (const JetIndex& index : table.indexes) {
      auto ix = def->CreateIndex(index.name);
      std::string fields;
      for (const std::string& f : index.fields) fields += (fields.empty() ? "" : ";") + f;
      ix->SetFields(fields);
      ix->SetPrimary(index.primary);
      ix->SetUnique(index.unique);
      def->IndexesAppend(ix);
    }
    sink_.TableCopied({table.name, rows, static_cast<int>(table.indexes.size())});
  }

 private:
  JetFile& jet_;
  Database& db_;
  CopySink& sink_;
  long total_;
  long done_ = 0;

  long CopyRows(const JetTable& table) {
    auto rs = db_.OpenRecordset(table.name, dbOpenTable);
    std::vector<FieldPtr> fields;
    for (int i = 0; i < rs->FieldsCount(); ++i) fields.push_back(rs->Fields(i));
    long rows = 0;
    jet_.ReadRows(table, [&](const JetRow& row) {
      rs->AddNew();
      for (size_t i = 0; i < row.size(); ++i)
        if (!row[i].IsNull()) fields[i]->SetValue(row[i]);
      rs->Update();
      ++rows;
      if (++done_ % kProgressStep == 0) sink_.Progress(done_, std::max(done_, total_));
    });
    sink_.Progress(done_, std::max(done_, total_));
    return rows;
  }
};

}  // namespace

void CopyJetFile(const std::string& source, const std::string& target, CopySink& sink) {
  auto jet = JetFile::Open(source);
  std::vector<JetTable> tables = jet->UserTables();
  long total = std::accumulate(tables.begin(), tables.end(), 0L,
                               [](long sum, const JetTable& t) { return sum + t.stored_rows; });
  // A workspace of its own: the copy's transaction must not cover the caller's databases.
  auto ws = std::make_shared<Workspace>("JetConversion");
  auto db = ws->CreateDatabase(target, kJobConnect, dbEncrypt);
  ws->BeginTrans();
  TableCopier copier(*jet, *db, sink, total);
  for (const JetTable& table : tables) copier.Copy(table);
  ws->CommitTrans();
  db->Close();
  ws->Close();
}

}  // namespace nrx::detail::jet
