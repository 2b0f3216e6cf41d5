#pragma once
// The real main window under test: a scripted message presenter that
// records every box and answers from a list, the log lines the window
// writes, and helpers to wait for a job.

#include <QApplication>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "shell/U_MsgDlg.h"
#include "support/Hermetic.h"
#include "ui/U_Main.h"

namespace vandrel::test {

class ScriptedPresenter : public MessagePresenter {
public:
  int Present(const MessageRequest& request) override {
    shown.push_back(request);
    if (answers.empty()) {
      return request.buttons == MessageButtons::YesNo ? kIdNo : kIdOk;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<MessageRequest> shown;
  std::deque<int> answers;
};

class MainWindowTest : public testing::Test {
protected:
  void SetUp() override {
    presenter_ = std::make_shared<ScriptedPresenter>();
    previous_ = SetMessagePresenter(presenter_);
  }
  void TearDown() override {
    window_.reset();
    SetMessagePresenter(previous_);
  }

  /// Creates, shows and activates the window with these arguments.
  Tmain& Open(std::vector<std::string> arguments = {}) {
    window_ = std::make_unique<Tmain>(std::move(arguments));
    window_->OnLogLine = [this](const AnsiString& message, int level) {
      log_.emplace_back(message, level);
    };
    window_->show();
    window_->AppEvntActivate();
    return *window_;
  }
  Tmain& window() { return *window_; }

  /// Waits until the job launched last has run its completion handler.
  void WaitForJob() {
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window_->JobRunning(); }, 60000));
  }
  bool Logged(const std::string& message, int level) const {
    for (const auto& [text, at] : log_) {
      if (text == message && at == level) {
        return true;
      }
    }
    return false;
  }
  bool LoggedStartingWith(const std::string& start, int level) const {
    for (const auto& [text, at] : log_) {
      if (text.rfind(start, 0) == 0 && at == level) {
        return true;
      }
    }
    return false;
  }
  std::vector<std::string> Notices() const {
    std::vector<std::string> texts;
    for (const MessageRequest& request : presenter_->shown) {
      texts.push_back(request.text);
    }
    return texts;
  }

  std::shared_ptr<ScriptedPresenter> presenter_;
  std::vector<std::pair<std::string, int>> log_;
  TempDir dir_;

private:
  std::shared_ptr<MessagePresenter> previous_;
  std::unique_ptr<Tmain> window_;
};

} // namespace vandrel::test
