#pragma once
// A Jet database file of an older job, read-only. The one place of the engine that reaches the
// Jet reader library: nothing outside jet_file.cpp includes its header.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "nrxJobDb/variant.h"

namespace nrx::detail::jet {

// Jet's own column type codes (a few coincide with the engine's).
enum JetType : int {
  kJetBoolean = 1,
  kJetByte = 2,
  kJetInteger = 3,
  kJetLong = 4,
  kJetMoney = 5,
  kJetSingle = 6,
  kJetDouble = 7,
  kJetDateTime = 8,
  kJetBinary = 9,
  kJetText = 10,
  kJetOle = 11,
  kJetMemo = 12,
  kJetGuid = 15,
  kJetNumeric = 16,
};

struct JetColumn {
  std::string name;
  int type = kJetText;
  int size = 0;  // characters for text, bytes otherwise
  int precision = 0;
  int scale = 0;
  bool required = false;
  bool allow_zero_length = false;
  bool auto_number = false;
};

struct JetIndex {
  std::string name;
  std::vector<std::string> fields;  // "-Name" for a descending field
  bool primary = false;
  bool unique = false;
};

struct JetTable {
  std::string name;
  std::vector<JetColumn> columns;
  std::vector<JetIndex> indexes;  // the table's own: relationship references are left out
  long stored_rows = 0;           // as the table's header counts them
};

// One row's values, in the order of the table's columns: Null, or the kind the column holds
// (Boolean, Byte, Integer, Long, Currency, Single, Double, Date, Text, Bytes; numeric/decimal
// columns and GUIDs as their exact texts).
using JetRow = std::vector<Variant>;

class JetFile {
 public:
  // Opens the file for reading; raises 3049 when the reader cannot make sense of it.
  static std::unique_ptr<JetFile> Open(const std::string& path);
  virtual ~JetFile() = default;

  // The user tables, in the order of the file's catalogue: neither system nor linked tables.
  virtual std::vector<JetTable> UserTables() = 0;
  // Calls `row` for every row that is not deleted, in stored order.
  virtual void ReadRows(const JetTable& table, const std::function<void(const JetRow&)>& row) = 0;
};

}  // namespace nrx::detail::jet
