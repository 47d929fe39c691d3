#include <algorithm>
#include <cctype>
#include <fstream>
#include <istream>
#include <ostream>
#include <string>

#include "nrxJobDb/message_box.h"
#include "nrxJobDb/name_table.h"

namespace nrx {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::string Trim(const std::string& text) {
  auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// Box texts break lines with CR LF; a terminal wants LF alone.
std::string TerminalText(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

// The mark a terminal shows before the text in place of the box's icon.
constexpr Named<MsgIcon> kIconMarks[] = {{MsgIcon::Critical, "(x) "},
                                         {MsgIcon::Question, "(?) "},
                                         {MsgIcon::Exclamation, "(!) "},
                                         {MsgIcon::Information, "(i) "}};

std::string Choices(const std::vector<MsgAnswer>& buttons) {
  std::string out;
  for (MsgAnswer b : buttons) {
    std::string_view name = AnswerName(b);
    out += '[';
    out += name.front();
    out += ']';
    out += name.substr(1);
    out += ' ';
  }
  return out + "? ";
}

bool Matches(const std::string& answer, MsgAnswer button) {
  std::string name = Lower(AnswerName(button));
  return answer == name || answer == name.substr(0, 1) ||
         answer == std::to_string(static_cast<int>(button));
}

struct TerminalStreams {
  std::ifstream in{"/dev/tty"};
  std::ofstream out{"/dev/tty"};
};

}  // namespace

std::shared_ptr<ConsoleMessageBox> ConsoleMessageBox::OnTerminal() {
  auto terminal = std::make_shared<TerminalStreams>();
  std::shared_ptr<ConsoleMessageBox> box(new ConsoleMessageBox());
  if (terminal->in.is_open() && terminal->out.is_open()) {
    box->in_ = &terminal->in;
    box->out_ = &terminal->out;
    box->owned_ = terminal;
  }
  return box;
}

MsgAnswer ConsoleMessageBox::CloseAnswer(MsgButtons buttons) {
  std::vector<MsgAnswer> set = ButtonsOf(buttons);
  if (std::find(set.begin(), set.end(), MsgAnswer::Cancel) != set.end()) return MsgAnswer::Cancel;
  return set.back();
}

MsgAnswer ConsoleMessageBox::Show(const std::string& text, const std::string& title,
                                  MsgButtons buttons, MsgIcon icon) {
  if (!in_ || !out_) return CloseAnswer(buttons);
  const std::vector<MsgAnswer> set = ButtonsOf(buttons);
  *out_ << "\n== " << title << " ==\n"
        << NameOf(kIconMarks, icon, "") << TerminalText(text) << "\n";
  for (;;) {
    *out_ << Choices(set) << std::flush;
    std::string line;
    if (!std::getline(*in_, line)) return CloseAnswer(buttons);
    const std::string answer = Lower(Trim(line));
    for (MsgAnswer b : set) {
      if (Matches(answer, b)) return b;
    }
  }
}

}  // namespace nrx
