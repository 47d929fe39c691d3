// The file utility's checks of what is open on a database.

#include <fmt/format.h>

#include "nrxJobDb/file_utility.h"

namespace nrx::model {
namespace {

constexpr std::string_view kSource = "nrxModel.FileUtility";

std::string_view TypeName(int type) {
  switch (type) {
    case dbOpenTable:
      return "table";
    case dbOpenDynaset:
      return "dynaset";
    case dbOpenSnapshot:
      return "snapshot";
    default:
      return "recordset";
  }
}

std::string Position(Recordset& rs) {
  if (rs.Bof() && rs.Eof()) return "no records";
  if (rs.Bof()) return "before the first record";
  if (rs.Eof()) return "after the last record";
  return "at a record";
}

// Reads what a reader of the recordset would read; an engine error is the finding.
std::string ReadRecordset(Recordset& rs, int position, bool detail) {
  std::string line = fmt::format("{}: {} ({})", position, rs.Name(), TypeName(rs.Type()));
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

// Walks the recordsets and, when asked, the table definitions; `visit` gets each line and
// whether it was read without an error.
template <class Visit>
void Walk(Database& db, bool detail, bool doTableDefs, Visit&& visit) {
  Collection<Recordset> recordsets;
  try {
    recordsets = db.Recordsets();
  } catch (const Error& e) {
    visit(FailureLine("recordsets", e), false);
  }
  int position = 0;
  for (const RecordsetPtr& rs : recordsets) {
    ++position;
    try {
      visit(ReadRecordset(*rs, position, detail), true);
    } catch (const Error& e) {
      visit(FailureLine(std::to_string(position), e), false);
    }
  }
  if (!doTableDefs) return;
  Collection<TableDef> tables;
  try {
    tables = db.TableDefs();
  } catch (const Error& e) {
    visit(FailureLine("table definitions", e), false);
  }
  int index = 0;
  for (const TableDefPtr& table : tables) {
    try {
      visit(ReadTableDef(*table), true);
    } catch (const Error& e) {
      visit(FailureLine(fmt::format("table {}", index), e), false);
    }
    ++index;
  }
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
