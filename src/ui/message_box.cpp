#include "nrxJobDb/message_box.h"

#include <mutex>

namespace nrx {
namespace {

struct CurrentService {
  std::mutex mutex;
  std::shared_ptr<MessageBoxService> chosen;
  std::shared_ptr<MessageBoxService> terminal;
};

CurrentService& Current() {
  static CurrentService current;
  return current;
}

}  // namespace

std::vector<MsgAnswer> ButtonsOf(MsgButtons buttons) {
  using A = MsgAnswer;
  switch (buttons) {
    case MsgButtons::OKCancel:
      return {A::OK, A::Cancel};
    case MsgButtons::AbortRetryIgnore:
      return {A::Abort, A::Retry, A::Ignore};
    case MsgButtons::YesNoCancel:
      return {A::Yes, A::No, A::Cancel};
    case MsgButtons::YesNo:
      return {A::Yes, A::No};
    case MsgButtons::RetryCancel:
      return {A::Retry, A::Cancel};
    case MsgButtons::OK:
    default:
      return {A::OK};
  }
}

std::string_view AnswerName(MsgAnswer answer) {
  switch (answer) {
    case MsgAnswer::OK:
      return "OK";
    case MsgAnswer::Cancel:
      return "Cancel";
    case MsgAnswer::Abort:
      return "Abort";
    case MsgAnswer::Retry:
      return "Retry";
    case MsgAnswer::Ignore:
      return "Ignore";
    case MsgAnswer::Yes:
      return "Yes";
    case MsgAnswer::No:
      return "No";
  }
  return "?";
}

MessageBoxService& CurrentMessageBoxService() {
  CurrentService& current = Current();
  std::lock_guard lock(current.mutex);
  if (current.chosen) return *current.chosen;
  if (!current.terminal) current.terminal = ConsoleMessageBox::OnTerminal();
  return *current.terminal;
}

std::shared_ptr<MessageBoxService> SetMessageBoxService(
    std::shared_ptr<MessageBoxService> service) {
  CurrentService& current = Current();
  std::lock_guard lock(current.mutex);
  std::swap(current.chosen, service);
  return service;
}

MsgAnswer ShowMessageBox(const std::string& text, const std::string& title, MsgButtons buttons,
                         MsgIcon icon) {
  return CurrentMessageBoxService().Show(text, title, buttons, icon);
}

}  // namespace nrx
