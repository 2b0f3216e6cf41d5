#include "shell/U_MsgDlg.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "base/MainThread.h"
#include "shell/TerminalMessagePresenter.h"
#include "support/ScriptedMessagePresenter.h"

namespace vandrel {
namespace {

using test::ScopedMessagePresenter;

TEST(MsgBoxTest, ButtonAndKindTablesGiveCaptionIconAndStyle) {
  const struct {
    int buttons;
    int kind;
    MessageButtons shown_buttons;
    const char* caption;
    MessageIcon icon;
    std::uint32_t style;
  } cases[] = {
      {0, 0, MessageButtons::Ok, "Message", MessageIcon::None, 0x00},
      {1, 3, MessageButtons::YesNo, "Question", MessageIcon::Question, 0x24},
      {2, 1, MessageButtons::YesNoCancel, "Warning", MessageIcon::Warning, 0x33},
      {3, 2, MessageButtons::OkCancel, "Error", MessageIcon::Error, 0x11},
      {0, 4, MessageButtons::Ok, "Information", MessageIcon::Information, 0x40},
      {0, 9, MessageButtons::Ok, "", MessageIcon::None, 0x00},
      {9, 3, MessageButtons::Ok, "Question", MessageIcon::Question, 0x20},
      {-1, -1, MessageButtons::Ok, "", MessageIcon::None, 0x00},
  };
  for (const auto& c : cases) {
    ScopedMessagePresenter presenter;
    presenter->Answer({kIdOk});
    int owner_window = 0;
    EXPECT_EQ(MsgBox(&owner_window, "Text", c.buttons, c.kind), kIdOk);
    const auto shown = presenter->Shown();
    ASSERT_EQ(shown.size(), 1u);
    const MessageRequest& request = shown[0].request;
    SCOPED_TRACE(testing::Message() << "buttons " << c.buttons << " kind " << c.kind);
    EXPECT_EQ(request.owner, &owner_window);
    EXPECT_EQ(request.text, "Text");
    EXPECT_EQ(request.buttons, c.shown_buttons);
    EXPECT_EQ(request.caption, c.caption);
    EXPECT_EQ(request.icon, c.icon);
    EXPECT_EQ(request.style, c.style);
  }
}

TEST(MsgBoxTest, ShortcutsAskQuestionsAndReturnTheAnswerUnchanged) {
  ScopedMessagePresenter presenter;
  presenter->Answer({kIdNo, kIdYes, kIdCancel, kIdOk});
  EXPECT_EQ(AskYesNo(nullptr, "Delete?"), kIdNo);
  EXPECT_EQ(AskYesNo(nullptr, "Delete?"), kIdYes);
  EXPECT_EQ(AskOkCancel(nullptr, "Insert disk 2"), kIdCancel);
  EXPECT_EQ(AskOkCancel(nullptr, "Insert disk 2"), kIdOk);
  const auto shown = presenter->Shown();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].request.buttons, MessageButtons::YesNo);
  EXPECT_EQ(shown[0].request.caption, "Question");
  EXPECT_EQ(shown[0].request.style, kMbYesNo | kMbIconQuestion);
  EXPECT_EQ(shown[2].request.buttons, MessageButtons::OkCancel);
  EXPECT_EQ(shown[2].request.style, kMbOkCancel | kMbIconQuestion);
}

TEST(MsgBoxTest, ShowMessageIsANoticeWithTheProgramTitle) {
  ScopedMessagePresenter presenter;
  presenter->Answer({kIdOk});
  ShowMessage("Done.");
  const auto shown = presenter->Shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].request.caption, "Vandrel");
  EXPECT_EQ(shown[0].request.text, "Done.");
  EXPECT_EQ(shown[0].request.buttons, MessageButtons::Ok);
  EXPECT_EQ(shown[0].request.icon, MessageIcon::None);
  EXPECT_EQ(shown[0].request.style, 0u);
}

TEST(MsgBoxTest, WorkerThreadQuestionIsShownOnTheGuiThreadAndWaitsForTheAnswer) {
  MainThreadQueue queue;
  queue.Install();
  ScopedMessagePresenter presenter;
  presenter->Answer({kIdCancel});
  std::atomic<int> result{0};
  std::atomic<bool> answered{false};
  std::thread worker([&] {
    result = AskOkCancel(nullptr, "Insert the next disk");
    answered = true;
    queue.Wake();
  });
  queue.ProcessUntil([&] { return answered.load(); });
  worker.join();
  SetMainThreadDispatcher(nullptr);
  EXPECT_EQ(result, kIdCancel);
  const auto shown = presenter->Shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].thread, std::this_thread::get_id());
}

TEST(MsgBoxTest, WithoutAPresenterBoxesGetTheAnswerThatDoesNothing) {
  const auto previous = SetMessagePresenter(nullptr);
  EXPECT_EQ(AskYesNo(nullptr, "unattended yes/no"), kIdNo);
  EXPECT_EQ(AskOkCancel(nullptr, "unattended ok/cancel"), kIdCancel);
  EXPECT_EQ(MsgBox(nullptr, "unattended yes/no/cancel", 2, 1), kIdCancel);
  EXPECT_EQ(MsgBox(nullptr, "unattended notice", 0, 0), kIdOk);
  SetMessagePresenter(previous);
}

TEST(TerminalPresenterTest, ReadsAnswersAndAsksAgainOnOtherInput) {
  const struct {
    int buttons;
    const char* input;
    int expected;
  } cases[] = {
      {1, "y\n", kIdYes},    {1, "No\n", kIdNo},    {1, "maybe\n\nY\n", kIdYes},
      {1, "", kIdNo},        {3, "o\n", kIdOk},     {3, "  C\n", kIdCancel},
      {3, "y\n", kIdCancel}, {2, "c\n", kIdCancel}, {2, "n", kIdNo},
      {0, "\n", kIdOk},      {0, "", kIdOk},
  };
  for (const auto& c : cases) {
    std::FILE* in = std::tmpfile();
    std::fputs(c.input, in);
    std::rewind(in);
    char* printed = nullptr;
    size_t printed_size = 0;
    std::FILE* out = open_memstream(&printed, &printed_size);
    TerminalMessagePresenter presenter(in, out);
    MessageRequest request = MakeMessageRequest(nullptr, "Insert disk 2", c.buttons, 3);
    EXPECT_EQ(presenter.Present(request), c.expected) << c.buttons << " '" << c.input << "'";
    std::fclose(out);
    std::fclose(in);
    EXPECT_EQ(std::string(printed).rfind("Question: Insert disk 2\n", 0), 0u) << printed;
    std::free(printed);
  }
}

TEST(TerminalPresenterTest, WithoutInputTheBoxIsOnlyPrinted) {
  char* printed = nullptr;
  size_t printed_size = 0;
  std::FILE* out = open_memstream(&printed, &printed_size);
  TerminalMessagePresenter presenter(nullptr, out);
  EXPECT_EQ(presenter.Present(MakeMessageRequest(nullptr, "Overwrite?", 1, 3)), kIdNo);
  std::fclose(out);
  EXPECT_EQ(std::string(printed), "Question: Overwrite?\n");
  std::free(printed);
}

} // namespace
} // namespace vandrel
