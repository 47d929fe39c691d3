// cJobProcs::VerifyTableFields and VerifyTableIndexes: read a database's table definitions.

#include <string>

#include "frame/job_procs_members.h"
#include "integrity/verify_walk.h"
#include "nrxJobDb/cjobprocs.h"

namespace nrx {
namespace {

// The table definitions of `DB`, in their order; none when they cannot be read (reported).
Collection<TableDef> TablesOf(integrity::VerifyWalk& walk, const DatabasePtr& DB) {
  Collection<TableDef> tables;
  walk.Step([&] { tables = frame::Require(DB, "DB").TableDefs(); });
  return tables;
}

std::string NameOf(integrity::VerifyWalk& walk, const TableDefPtr& table) {
  std::string name;
  walk.Step([&] { name = table->Name(); });
  return name;
}

void ReadFields(integrity::VerifyWalk& walk, const TableDefPtr& table, const std::string& name) {
  walk.Step([&] { table->RecordCount(); }, name);
  Collection<Field> fields;
  walk.Step([&] { fields = table->Fields(); }, name);
  for (const FieldPtr& field : fields) walk.Step([&] { field->Name(); }, name);
}

void ReadIndexes(integrity::VerifyWalk& walk, const TableDefPtr& table, const std::string& name) {
  Collection<Index> indexes;
  walk.Step([&] { indexes = table->Indexes(); }, name);
  for (const IndexPtr& index : indexes) {
    walk.Step([&] { index->FieldNames(); }, name, index->Name());
  }
}

}  // namespace

bool cJobProcs::VerifyTableFields(const DatabasePtr& DB, const std::string& tableName) {
  constexpr MemberLabel kLabel = JobProcsLabel("VerifyTableFields");
  return Guard(kLabel, [&] {
    integrity::VerifyWalk walk(kLabel);
    for (const TableDefPtr& table : TablesOf(walk, DB)) {
      const std::string name = NameOf(walk, table);
      if (name == tableName) {
        ReadFields(walk, table, name);
        break;
      }
      walk.Step([&] { table->RecordCount(); }, name);
    }
    return true;
  });
}

bool cJobProcs::VerifyTableIndexes(const DatabasePtr& DB) {
  constexpr MemberLabel kLabel = JobProcsLabel("VerifyTableIndexes");
  return Guard(kLabel, [&] {
    integrity::VerifyWalk walk(kLabel);
    for (const TableDefPtr& table : TablesOf(walk, DB)) {
      const std::string name = NameOf(walk, table);
      // The engine's own tables, by the exact prefix it gives them.
      if (name.starts_with("MSys")) continue;
      ReadIndexes(walk, table, name);
    }
    return true;
  });
}

}  // namespace nrx
