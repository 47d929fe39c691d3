#include <fmt/format.h>

#include <algorithm>

#include "nrxJobDb/errors.h"
#include "nrxJobDb/message_box.h"

namespace nrx {
namespace {

bool Offers(MsgButtons buttons, MsgAnswer answer) {
  std::vector<MsgAnswer> set = ButtonsOf(buttons);
  return std::find(set.begin(), set.end(), answer) != set.end();
}

}  // namespace

MsgAnswer ScriptedMessageBox::Show(const std::string& text, const std::string& title,
                                   MsgButtons buttons, MsgIcon icon) {
  calls_.push_back(MessageBoxCall{text, title, buttons, icon});
  if (answers_.empty()) {
    if (fallback_ && Offers(buttons, *fallback_)) return *fallback_;
    return ButtonsOf(buttons).front();
  }
  MsgAnswer answer = answers_.front();
  answers_.pop_front();
  if (!Offers(buttons, answer)) {
    RaiseText(err::kInvalidCall, "nrxJobDb.MessageBox",
              fmt::format("The scripted answer {} is not a button of the box '{}'.",
                          AnswerName(answer), title));
  }
  return answer;
}

}  // namespace nrx
