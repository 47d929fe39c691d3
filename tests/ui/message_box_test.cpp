// Message boxes: the scripted service for tests and batch runs, the console service, and the
// choice of the current one.

#include "nrxJobDb/message_box.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/test_support.h"

namespace nrx {
namespace {

TEST(ScriptedMessageBoxTest, RecordsEveryBoxAndAnswersInOrderThenWithTheFallback) {
  ScriptedMessageBox boxes({MsgAnswer::No, MsgAnswer::Cancel});
  const std::string question = "Changes have been made to job /jobs/site.njb - Save now ?";
  EXPECT_EQ(MsgAnswer::No, boxes.Show(question, std::string(kMessageTitle), MsgButtons::YesNoCancel,
                                      MsgIcon::Question));
  EXPECT_EQ(MsgAnswer::Cancel, boxes.Show("t", "x", MsgButtons::OKCancel, MsgIcon::None));
  ASSERT_EQ(2u, boxes.Calls().size());
  const MessageBoxCall& first = boxes.Calls()[0];
  EXPECT_EQ(question, first.text);
  EXPECT_EQ("Norvaxa database operations", first.title);
  EXPECT_EQ(MsgButtons::YesNoCancel, first.buttons);
  EXPECT_EQ(MsgIcon::Question, first.icon);

  // Without answers the first button is pressed, or the fallback where the box offers it.
  EXPECT_EQ(MsgAnswer::Yes, boxes.Show("t", "x", MsgButtons::YesNo, MsgIcon::Information));
  boxes.SetFallback(MsgAnswer::Cancel);
  EXPECT_EQ(MsgAnswer::Cancel, boxes.Show("t", "x", MsgButtons::YesNoCancel, MsgIcon::None));
  EXPECT_EQ(MsgAnswer::Yes, boxes.Show("t", "x", MsgButtons::YesNo, MsgIcon::None));
  // An answer the box does not offer is an error.
  boxes.QueueAnswer(MsgAnswer::Yes);
  EXPECT_NRX_ERROR(err::kInvalidCall, boxes.Show("t", "x", MsgButtons::OK, MsgIcon::None));
  EXPECT_EQ(6u, boxes.Calls().size());
}

MsgAnswer AskConsole(const std::string& input, MsgButtons buttons, std::string* shown = nullptr) {
  std::istringstream in(input);
  std::ostringstream out;
  ConsoleMessageBox box(in, out);
  MsgAnswer answer =
      box.Show("Job: site.njb\r\n\r\nContinue ?", "Update", buttons, MsgIcon::Information);
  if (shown) *shown = out.str();
  return answer;
}

TEST(ConsoleMessageBoxTest, ShowsTheBoxAndReadsAnAnswer) {
  std::string shown;
  EXPECT_EQ(MsgAnswer::No, AskConsole("n\n", MsgButtons::YesNo, &shown));
  EXPECT_NE(std::string::npos, shown.find("Update")) << shown;
  EXPECT_NE(std::string::npos, shown.find("Job: site.njb\n\nContinue ?")) << shown;
  EXPECT_EQ(std::string::npos, shown.find('\r'));
  EXPECT_NE(std::string::npos, shown.find("[Y]es [N]o")) << shown;

  EXPECT_EQ(MsgAnswer::Yes, AskConsole("  YES \n", MsgButtons::YesNoCancel));
  EXPECT_EQ(MsgAnswer::Cancel, AskConsole("2\n", MsgButtons::YesNoCancel));  // by number
  EXPECT_EQ(MsgAnswer::Retry, AskConsole("r\n", MsgButtons::AbortRetryIgnore));
}

TEST(ConsoleMessageBoxTest, AsksAgainUntilTheAnswerIsAButton) {
  std::string shown;
  EXPECT_EQ(MsgAnswer::OK, AskConsole("yes\nmaybe\n\nok\n", MsgButtons::OKCancel, &shown));
  std::size_t prompts = 0;
  for (std::size_t at = shown.find("[O]K"); at != std::string::npos;
       at = shown.find("[O]K", at + 1)) {
    ++prompts;
  }
  EXPECT_EQ(4u, prompts);
}

TEST(ConsoleMessageBoxTest, EndOfInputClosesTheBox) {
  EXPECT_EQ(MsgAnswer::Cancel, AskConsole("", MsgButtons::YesNoCancel));
  EXPECT_EQ(MsgAnswer::No, AskConsole("x\n", MsgButtons::YesNo));
  EXPECT_EQ(MsgAnswer::OK, AskConsole("", MsgButtons::OK));
  EXPECT_EQ(MsgAnswer::Ignore, AskConsole("", MsgButtons::AbortRetryIgnore));
}

TEST(MessageBoxServiceTest, BoxesGoToTheServiceSetLast) {
  auto scripted = std::make_shared<ScriptedMessageBox>(std::vector{MsgAnswer::Retry});
  std::shared_ptr<MessageBoxService> previous = SetMessageBoxService(scripted);
  EXPECT_EQ(MsgAnswer::Retry,
            ShowMessageBox("text", "title", MsgButtons::RetryCancel, MsgIcon::Exclamation));
  EXPECT_EQ(scripted, SetMessageBoxService(previous));
  ASSERT_EQ(1u, scripted->Calls().size());
  EXPECT_EQ(MsgIcon::Exclamation, scripted->Calls()[0].icon);
}

}  // namespace
}  // namespace nrx
