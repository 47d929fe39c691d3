#include "frame/member_support.h"

#include <fmt/format.h>

#include <string>
#include <vector>

#include "nrxJobDb/error_stack.h"
#include "nrxJobDb/message_box.h"

namespace nrx::frame {

std::string DescriptionOf(const Error& e) {
  if (!e.Description().empty()) return e.Description();
  return std::string(ErrorText(e.Number()));
}

void RepairAndTell(const std::string& path, const std::string& message) {
  try {
    std::vector<std::string> losses;
    DBEngine::Instance().RepairDatabase(path, {}, &losses);
    // The box's words are fixed; what the repair could not save goes to the error log.
    for (const std::string& loss : losses) {
      ErrorStack::Instance().Note(fmt::format("Repair of {}", path), loss);
    }
  } catch (const Error&) {
  }
  try {
    ShowMessageBox(message, std::string(kMessageTitle), MsgButtons::OK, MsgIcon::Exclamation);
  } catch (const Error&) {
  }
}

}  // namespace nrx::frame
