#pragma once
// Copying a Jet database's user tables into a new job file: the work of a conversion, done in
// the reader's own process (see isolated_run.h).

#include <string>

#include "nrxJobDb/jet_conversion.h"

namespace nrx::detail::jet {

// What the copy tells as it goes.
class CopySink {
 public:
  virtual ~CopySink() = default;
  virtual void Progress(long done, long total) = 0;
  virtual void TableCopied(const JetTableCopy& table) = 0;
  virtual void TypeChanged(const JetTypeChange& change) = 0;
};

// Creates `target` (which must not exist) and fills it from `source`.
void CopyJetFile(const std::string& source, const std::string& target, CopySink& sink);

}  // namespace nrx::detail::jet
