#include "nrxJobDb/catalogue_report.h"

#include <algorithm>

#include "catalogue/catalogue_lists.h"
#include "catalogue/table_kinds.h"
#include "frame/member_support.h"
#include "nrxJobDb/table_names.h"

namespace nrx {
namespace {

constexpr std::string_view kSource = "nrxJobDb.Catalogue";

// The lists as a cJobProcs object holds them, built by the same routine.
const TableCatalogue& Lists() {
  static const TableCatalogue catalogue = [] {
    TableCatalogue filled;
    catalogue::FillCatalogue(filled);
    return filled;
  }();
  return catalogue;
}

CatalogueList Describe(const catalogue::TableKind& kind, const model::TableNames& names) {
  CatalogueList out{
      std::string(kind.list), catalogue::NameOf(kind.name, names), kind.IsPrefix(), {}, {}};
  for (const TableFieldDef& def : Lists().*kind.member) {
    out.fields.push_back({def.fieldName, def.fieldType, def.fieldSiz});
  }
  for (const catalogue::IndexDef& def : kind.indexes) {
    out.indexes.push_back(
        {catalogue::IndexName(def, names), std::string(def.fields), def.primary, def.unique});
  }
  return out;
}

std::vector<std::string> SplitFields(const std::string& fields) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t end; (end = fields.find(';', start)) != std::string::npos; start = end + 1) {
    out.push_back(fields.substr(start, end - start));
  }
  out.push_back(fields.substr(start));
  return out;
}

bool HasIndex(TableDef& table, const CatalogueIndex& wanted) {
  const IndexPtr index = table.Indexes().FindExact(wanted.name);
  return index && index->FieldNames() == SplitFields(wanted.fields) &&
         (index->Primary() || !wanted.primary) && (index->Unique() || !wanted.unique);
}

TableCheck CheckTable(TableDef& table, const model::TableNames& names) {
  TableCheck check{table.Name(), {}, false, {}, {}};
  const catalogue::TableKind* kind = catalogue::KindOfExistingTable(check.table, names);
  // The second alpha-ID table has a kind but no fields to hold, so it lacks nothing, as the
  // field check at opening also treats it.
  if (!kind || !kind->member) return check;
  check.known = true;
  const CatalogueList expected = Describe(*kind, names);
  check.list = expected.list;
  for (const CatalogueField& field : expected.fields) {
    if (!table.Fields().FindExact(field.name)) check.missing_fields.push_back(field);
  }
  for (const CatalogueIndex& index : expected.indexes) {
    if (!HasIndex(table, index)) check.missing_indexes.push_back(index);
  }
  return check;
}

}  // namespace

std::vector<CatalogueList> DescribeCatalogue() {
  const model::TableNames& names = model::TableNames::Instance();
  std::vector<CatalogueList> out;
  for (const catalogue::ListRows& list : catalogue::FilledLists()) {
    out.push_back(Describe(*catalogue::KindOfList(list.list), names));
  }
  return out;
}

CatalogueList DescribeCatalogueList(std::string_view name) {
  const model::TableNames& names = model::TableNames::Instance();
  const catalogue::TableKind* kind = catalogue::KindOfList(name);
  if (!kind) kind = catalogue::KindOfExistingTable(name, names);
  if (!kind || !kind->member) Raise(err::kItemNotFound, kSource, name);
  return Describe(*kind, names);
}

bool JobCheck::Complete() const {
  return std::all_of(tables.begin(), tables.end(),
                     [](const TableCheck& t) { return t.Complete(); });
}

JobCheck CheckJobAgainstCatalogue(Database& db) {
  const model::TableNames& names = model::TableNames::Instance();
  JobCheck out;
  for (const TableDefPtr& table : db.TableDefs()) {
    if (table->IsSystem()) continue;
    out.tables.push_back(CheckTable(*table, names));
  }
  return out;
}

}  // namespace nrx
