#pragma once
// Message boxes: the few questions and warnings the component puts to the user go through one
// service, so a program chooses how they are shown (a terminal, a script of answers).

#include <deque>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nrxJobDb/export.h"

namespace nrx {

// Button sets and icons with the runtime's own numbers.
enum class MsgButtons {
  OK = 0,
  OKCancel = 1,
  AbortRetryIgnore = 2,
  YesNoCancel = 3,
  YesNo = 4,
  RetryCancel = 5
};
enum class MsgIcon { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
// The button pressed.
enum class MsgAnswer { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// The title of the component's own boxes.
inline constexpr std::string_view kMessageTitle = "Norvaxa database operations";
// The title of a box shown without one: the component's name.
inline constexpr std::string_view kDefaultMessageTitle = "nrxJobDb";
// Line break inside a box's text.
inline constexpr std::string_view kCrLf = "\r\n";

// One box as it was shown.
struct NRXJOBDB_API MessageBoxCall {
  std::string text;
  std::string title;
  MsgButtons buttons = MsgButtons::OK;
  MsgIcon icon = MsgIcon::None;
};

// The buttons of a set, in the order a box shows them.
NRXJOBDB_API std::vector<MsgAnswer> ButtonsOf(MsgButtons buttons);
// "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No".
NRXJOBDB_API std::string_view AnswerName(MsgAnswer answer);

class NRXJOBDB_API MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // Shows a modal box and returns the button pressed, which is always one of `buttons`.
  virtual MsgAnswer Show(const std::string& text, const std::string& title, MsgButtons buttons,
                         MsgIcon icon) = 0;
};

// The service the component uses. Until a program sets one it is a console service on the
// process's terminal.
NRXJOBDB_API MessageBoxService& CurrentMessageBoxService();
// Makes `service` the current one and returns the one it replaces; nullptr goes back to the
// terminal.
NRXJOBDB_API std::shared_ptr<MessageBoxService> SetMessageBoxService(
    std::shared_ptr<MessageBoxService> service);

// Shows a box through the current service.
NRXJOBDB_API MsgAnswer ShowMessageBox(const std::string& text, const std::string& title,
                                      MsgButtons buttons = MsgButtons::OK,
                                      MsgIcon icon = MsgIcon::None);

// Prompts on a text stream and blocks until a valid answer is read: the title, the text (line
// breaks as on a terminal) and the buttons, each with the letter that chooses it ("[Y]es
// [N]o"). An answer is a button's letter, its name or its number, in any letter case; anything
// else asks again. At the end of the input the box is closed the way a window is: Cancel where
// there is one, otherwise the last button of the set (OK, No, Ignore).
class NRXJOBDB_API ConsoleMessageBox : public MessageBoxService {
 public:
  ConsoleMessageBox(std::istream& in, std::ostream& out) : in_(&in), out_(&out) {}
  // A service on the controlling terminal (/dev/tty). Without a terminal every box is closed
  // at once as at the end of the input, so a host without a user never blocks for ever.
  static std::shared_ptr<ConsoleMessageBox> OnTerminal();

  MsgAnswer Show(const std::string& text, const std::string& title, MsgButtons buttons,
                 MsgIcon icon) override;

  // The answer of a box closed without a choice.
  static MsgAnswer CloseAnswer(MsgButtons buttons);

 private:
  ConsoleMessageBox() = default;
  std::shared_ptr<void> owned_;  // the terminal streams of OnTerminal
  std::istream* in_ = nullptr;
  std::ostream* out_ = nullptr;
};

// Answers from a queue and records every box, for tests and batch runs. With the queue empty
// it gives the fallback answer when one is set and that button is in the box, otherwise the
// box's first button. A queued answer that is not one of the box's buttons raises 5.
class NRXJOBDB_API ScriptedMessageBox : public MessageBoxService {
 public:
  ScriptedMessageBox() = default;
  explicit ScriptedMessageBox(std::vector<MsgAnswer> answers)
      : answers_(answers.begin(), answers.end()) {}

  MsgAnswer Show(const std::string& text, const std::string& title, MsgButtons buttons,
                 MsgIcon icon) override;

  void QueueAnswer(MsgAnswer answer) { answers_.push_back(answer); }
  void SetFallback(std::optional<MsgAnswer> answer) { fallback_ = answer; }
  std::size_t PendingAnswers() const { return answers_.size(); }

  // Every box shown, in order.
  const std::vector<MessageBoxCall>& Calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }

 private:
  std::deque<MsgAnswer> answers_;
  std::optional<MsgAnswer> fallback_;
  std::vector<MessageBoxCall> calls_;
};

}  // namespace nrx
