#pragma once
// Converting the Jet database of an older job into a job file of this engine: what the engine's
// ConvertJetDatabase reports, and how it tells its progress.

#include <functional>
#include <string>
#include <vector>

#include "nrxJobDb/export.h"

namespace nrx {

// A user table copied, with the rows and indexes it got.
struct JetTableCopy {
  std::string name;
  long rows = 0;
  int indexes = 0;
};

// A field whose Jet type has no counterpart in the engine, held as the nearest type that loses
// nothing (a GUID as text, a decimal as text or double, a binary as long binary).
struct JetTypeChange {
  std::string table;
  std::string field;
  std::string jet_type;  // as Jet names it: "GUID", "Decimal(18,0)", ...
  int type = 0;          // the engine's field type it became
};

struct NRXJOBDB_API JetConversionReport {
  std::string source;
  std::string target;
  std::vector<JetTableCopy> tables;  // in the order of the Jet file's catalogue
  std::vector<JetTypeChange> changes;
  long Rows() const;
  int Indexes() const;
};

// Called while rows are copied, with the rows done and all rows the Jet file holds.
using JetProgress = std::function<void(long done, long total)>;

// The name a job converted from the Jet file `path` takes beside it: the same name with the
// extension ".njb" in place of its own (".MDB" or any other).
NRXJOBDB_API std::string ConvertedJobName(const std::string& path);

// True when the file is a Jet database, told by its first bytes whatever its name ends with.
NRXJOBDB_API bool IsJetDatabase(const std::string& path);

}  // namespace nrx
