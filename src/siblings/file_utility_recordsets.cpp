// The file utility's checks of what is open on a database.

#include <fmt/format.h>

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

// Reads what a reader of the recordset would read; an engine error is the finding.
std::string ReadRecordset(Recordset& rs, int position, bool detail) {
  std::string line =
      fmt::format("{}: {} ({})", position, rs.Name(), NameOf(kTypeNames, rs.Type(), "recordset"));
  if (!rs.Bof() && !rs.Eof()) {
    for (const FieldPtr& field : rs.Fields()) field->Value();
  }
  if (detail) line += fmt::format(", {} records, {}", rs.RecordCount(), Position(rs));
  return line;
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
void Walk(Database& db, bool detail, bool doTableDefs, Visit&& visit) {
  WalkCollection(
      "recordsets", [&] { return db.Recordsets(); },
      [&](Recordset& rs, int index) { return ReadRecordset(rs, index + 1, detail); },
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
  bool all_read = true;
  Walk(*db, false, doTableDefs, [&](std::string line, bool read) {
    all_read = all_read && read;
    if (debugPrint && (listAll || !read)) debug_lines_.push_back(std::move(line));
  });
  return all_read;
}

std::vector<std::string> FileUtility::ListOpenRecordsets(const DatabasePtr& db, bool listAll,
                                                         bool debugPrint, bool doTableDefs) {
  if (!db) Raise(err::kObjectNotSet, kSource, "database");
  std::vector<std::string> lines;
  Walk(*db, listAll, doTableDefs, [&](std::string line, bool) { lines.push_back(line); });
  if (debugPrint) debug_lines_.insert(debug_lines_.end(), lines.begin(), lines.end());
  return lines;
}

}  // namespace nrx::model
