#include "frame/member_support.h"

#include "nrxJobDb/message_box.h"

namespace nrx::frame {

std::string DescriptionOf(const Error& e) {
  if (!e.Description().empty()) return e.Description();
  return std::string(ErrorText(e.Number()));
}

void RepairAndTell(const std::string& path, const std::string& message) {
  try {
    DBEngine::Instance().RepairDatabase(path);
  } catch (const Error&) {
  }
  try {
    ShowMessageBox(message, std::string(kMessageTitle), MsgButtons::OK, MsgIcon::Exclamation);
  } catch (const Error&) {
  }
}

}  // namespace nrx::frame
