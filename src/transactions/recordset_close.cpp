// cDBtransactions::RecordsetCLOSE: releases the caller's recordset and holds it against the
// rule that one opened outside a transaction is not closed inside one.

#include <fmt/format.h>

#include <algorithm>
#include <optional>

#include "frame/db_transactions_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cdbtransactions.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/message_box.h"

namespace nrx {
namespace {

void Tell(const std::string& text) {
  ShowMessageBox(text, std::string(kDefaultMessageTitle), MsgButtons::OK, MsgIcon::None);
}

// The recordset's name; a recordset that cannot tell it is reported to the user and passed by,
// since the caller only wanted it released.
std::optional<std::string> NameOf(const Recordset& recordset) {
  try {
    return recordset.Name();
  } catch (const Error& e) {
    Tell(fmt::format("  ERROR {} in cDBtransactions::Sub RecordsetCLOSE - {}", e.Number(),
                     frame::DescriptionOf(e)));
    return std::nullopt;
  }
}

std::string ViolationText(const std::string& recordsetName, const std::string& callingProc) {
  return fmt::format(
      "WARNING, transaction violation !!{0}Recordset {1}{0}was opened OUTSIDE any active "
      "transaction but is now being closed INSIDE a transaction, called by <<{2}>>.{0}"
      "Please report this error",
      kCrLf, recordsetName, callingProc);
}

}  // namespace

void cDBtransactions::RecordsetCLOSE(RecordsetPtr& dataTable, const std::string& /*objectName*/,
                                     const std::string& callingProc) {
  Guard(DBtransactionsLabel("RecordsetCLOSE"), [&] {
    if (!dataTable) return;
    if (const std::optional<std::string> name = NameOf(*dataTable)) {
      // Matched by name alone, the earliest entry first: the list only has to know that a
      // recordset of this name was opened inside a transaction.
      auto entry =
          std::find_if(trans_recordsets_.begin(), trans_recordsets_.end(),
                       [&](const TrackedRecordset& e) { return e.recordset_name == *name; });
      if (entry != trans_recordsets_.end()) {
        trans_recordsets_.erase(entry);
      } else if (active_transactions_ > 0) {
        Tell(ViolationText(*name, callingProc));
      }
    }
    // The caller's recordset closes once nobody else holds it; others may still use it.
    dataTable.reset();
  });
}

}  // namespace nrx
