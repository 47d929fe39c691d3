// The file utility's checks of what is open on a database.

#include <fmt/format.h>

#include "nrxJobDb/error_stack.h"
#include "nrxJobDb/file_utility.h"
#include "nrxJobDb/name_table.h"

namespace nrx::model {
namespace {

constexpr std::string_view kSource = "nrxModel.FileUtility";

constexpr Named<int> kTypeNames[] = {
    {dbOpenTable, "table"}, {dbOpenDynaset, "dynaset"}, {dbOpenSnapshot, "snapshot"}};

std::string Position(Recordset& rs) {
  if (rs.Bof() && rs.Eof()) return "no records";
  if (rs.Bof()) return "before the first record";
  if (rs.Eof()) return "after the last record";
  return "at a record";
}

std::string ValueText(const Variant& value) {
  if (value.IsNull()) return "Null";
  if (value.IsText()) return fmt::format("'{}'", value.ToText());
  return value.ToText();
}

// Reads what a reader of the recordset would read, the current record's values included: a
// value that cannot be read is what a check is looking for. With `values` the line shows them.
std::string ReadRecordset(Recordset& rs, int position, bool values) {
  std::string line =
      fmt::format("{}: {} ({}), {} records, {}", position, rs.Name(),
                  NameOf(kTypeNames, rs.Type(), "recordset"), rs.RecordCount(), Position(rs));
  if (rs.Bof() || rs.Eof()) return line;
  std::string shown;
  for (const FieldPtr& field : rs.Fields()) {
    const Variant value = field->Value();
    if (values)
      shown += fmt::format("{}{}={}", shown.empty() ? ": " : ", ", field->Name(), ValueText(value));
  }
  return line + shown;
}

std::string ReadTableDef(TableDef& table) {
  return fmt::format("table {}: {} fields, {} records", table.Name(), table.FieldsCount(),
                     table.RecordCount());
}

std::string FailureLine(std::string_view what, const Error& e) {
  return fmt::format("{}: error {} {}", what, e.Number(), e.what());
}

// Hands `visit` a line for each item of the collection `get` gives, read by `read` (with the
// item's place, from 0), and whether it was read without an error; a failure to get the
// collection is a line of its own, and an item that fails is named by `itemName`.
template <class Get, class Read, class ItemName, class Visit>
void WalkCollection(std::string_view what, Get get, Read read, ItemName itemName, Visit& visit) {
  decltype(get()) items;
  try {
    items = get();
  } catch (const Error& e) {
    visit(FailureLine(what, e), false);
  }
  int index = 0;
  for (const auto& item : items) {
    try {
      visit(read(*item, index), true);
    } catch (const Error& e) {
      visit(FailureLine(itemName(index), e), false);
    }
    ++index;
  }
}

// Walks the recordsets (numbered from 1) and, when asked, the table definitions (from 0).
template <class Visit>
void Walk(Database& db, bool values, bool doTableDefs, Visit&& visit) {
  WalkCollection(
      "recordsets", [&] { return db.Recordsets(); },
      [&](Recordset& rs, int index) { return ReadRecordset(rs, index + 1, values); },
      [](int index) { return std::to_string(index + 1); }, visit);
  if (!doTableDefs) return;
  WalkCollection(
      "table definitions", [&] { return db.TableDefs(); },
      [](TableDef& table, int) { return ReadTableDef(table); },
      [](int index) { return fmt::format("table {}", index); }, visit);
}

}  // namespace

bool FileUtility::CheckOpenRecordsets(const DatabasePtr& db, bool listAll, bool debugPrint,
                                      bool doTableDefs) {
  if (!db) Raise(err::kObjectNotSet, kSource, "database");
  if (debugPrint) {
    Walk(*db, false, doTableDefs, [&](std::string line, bool read) {
      if (listAll || !read) debug_lines_.push_back(std::move(line));
    });
  }
  return db->RecordsetsCount() > 0;
}

std::vector<std::string> FileUtility::ListOpenRecordsets(const DatabasePtr& db, bool listAll,
                                                         bool debugPrint, bool doTableDefs) {
  if (!db) Raise(err::kObjectNotSet, kSource, "database");
  std::vector<std::string> lines = {
      fmt::format("recordsets open on {}: {}", db->Name(), db->RecordsetsCount())};
  Walk(*db, listAll, doTableDefs, [&](std::string line, bool) { lines.push_back(line); });
  for (const std::string& line : lines) ErrorStack::Instance().Note(std::string(kSource), line);
  if (debugPrint) debug_lines_.insert(debug_lines_.end(), lines.begin(), lines.end());
  return lines;
}

}  // namespace nrx::model
