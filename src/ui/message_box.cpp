#include "nrxJobDb/message_box.h"

#include <mutex>

#include "nrxJobDb/name_table.h"

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
  static constexpr Named<MsgAnswer> kNames[] = {
      {MsgAnswer::OK, "OK"},       {MsgAnswer::Cancel, "Cancel"}, {MsgAnswer::Abort, "Abort"},
      {MsgAnswer::Retry, "Retry"}, {MsgAnswer::Ignore, "Ignore"}, {MsgAnswer::Yes, "Yes"},
      {MsgAnswer::No, "No"},
  };
  return NameOf(kNames, answer, "?");
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
