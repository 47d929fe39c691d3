#include "integrity/verify_walk.h"

#include "nrxJobDb/message_box.h"
#include "nrxJobDb/table_names.h"
#include "nrxJobDb/verify_failures.h"

namespace nrx::integrity {

void VerifyWalk::Tell(const std::string& text) {
  if (VerifyFailureCollector* collector = VerifyFailureCollector::Current()) {
    collector->Add({label_.Text(), 0, text, {}, {}});
    return;
  }
  ShowMessageBox(text, std::string(kDefaultMessageTitle), MsgButtons::OK);
}

void VerifyWalk::Report(int number, const std::string& text, std::string_view table,
                        std::string_view field) {
  if (VerifyFailureCollector* collector = VerifyFailureCollector::Current()) {
    collector->Add({label_.Text(), number, text, std::string(table), std::string(field)});
    return;
  }
  ShowMessageBox(text, model::TableNames::Instance().MessageTitlePrefix() + label_.Text(),
                 MsgButtons::OK, MsgIcon::Exclamation);
}

}  // namespace nrx::integrity
