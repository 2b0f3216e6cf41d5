#pragma once
// The real main window under test: a scripted message presenter that
// records every box and answers from a list, the log lines the window
// writes, and helpers to wait for a job.

#include <QApplication>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/ApplicationEvents.h"
#include "platform/Registry.h"
#include "shell/Settings.h"
#include "shell/U_Log.h"
#include "shell/U_MsgDlg.h"
#include "support/Hermetic.h"
#include "support/ScriptedMessagePresenter.h"
#include "ui/U_Main.h"
#include "update/U_Tarvix_Lite.h"

namespace vandrel::test {

/// Files the process writes cannot grow past limit bytes while this lives:
/// a write beyond fails as on a full disk.
class ScopedFileSizeLimit {
public:
  explicit ScopedFileSizeLimit(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~ScopedFileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

private:
  rlimit saved_{};
};

class MainWindowTest : public testing::Test {
protected:
  void SetUp() override {
    presenter_->AnswerRestWith(kIdOk);
    MarkInstalled(true);
    // The start-up update check goes to a closed loopback port.
    platform::RegistryKey key;
    key.Open(platform::RegistryRoot::CurrentUser, ProductKeyPath(), true);
    key.WriteString(kUpdateServerSetting, "127.0.0.1:1");
  }
  void TearDown() override { window_.reset(); }

  /// An installed copy has a desktop entry named after the company and the
  /// product; without it the window runs as a portable copy.
  static void MarkInstalled(bool installed) {
    const auto folder = HermeticRoot() / "data" / "applications";
    std::filesystem::create_directories(folder);
    const auto entry = folder / "tolvane-vandrel.desktop";
    if (installed) {
      WriteFile(entry,
                "[Desktop Entry]\nType=Application\nName=Tolvane Vandrel\nExec=vandrel %f\n");
    } else {
      std::filesystem::remove(entry);
    }
  }

  /// Creates, shows and activates the window with these arguments;
  /// before_activation runs between creation and the first activation.
  Tmain& Open(std::vector<std::string> arguments = {},
              const std::function<void(Tmain&)>& before_activation = nullptr) {
    window_.reset();
    skipped_ = 0;
    window_ = std::make_unique<Tmain>(std::move(arguments));
    if (before_activation) {
      before_activation(*window_);
    }
    window_->show();
    ActivateApplication();
    return *window_;
  }
  Tmain& window() { return *window_; }

  /// Waits until the job launched last has run its completion handler.
  void WaitForJob() {
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window_->JobRunning(); }, 60000));
  }
  /// The log's lines as (message, level), oldest first, since the last
  /// ClearLog.
  std::vector<std::pair<std::string, int>> LogLines() const {
    std::vector<std::pair<std::string, int>> lines;
    if (!window_ || !window_->Log) {
      return lines;
    }
    const auto& all = window_->Log->Lines;
    // Newest first in the log; the lines before ClearLog are the oldest.
    const size_t fresh = all.size() - std::min(all.size(), skipped_);
    for (size_t i = fresh; i > 0; --i) {
      const std::string& line = all[i - 1];
      const size_t first = line.find('\t');
      const size_t second = line.find('\t', first + 1);
      const std::string level = line.substr(0, first);
      lines.emplace_back(line.substr(second + 1), level == "Verbose" ? 0 : level == "Info" ? 1 : 2);
    }
    return lines;
  }
  void ClearLog() { skipped_ = window_ && window_->Log ? window_->Log->Lines.size() : 0; }
  bool Logged(const std::string& message, int level) const {
    for (const auto& [text, at] : LogLines()) {
      if (text == message && at == level) {
        return true;
      }
    }
    return false;
  }
  bool LoggedStartingWith(const std::string& start, int level) const {
    for (const auto& [text, at] : LogLines()) {
      if (text.rfind(start, 0) == 0 && at == level) {
        return true;
      }
    }
    return false;
  }
  /// The texts of the boxes shown since the last ClearNotices.
  std::vector<std::string> Notices() const {
    const auto all = presenter_->Texts();
    return std::vector<std::string>(all.begin() + static_cast<long>(notices_skipped_), all.end());
  }
  MessageRequest Box(size_t index) const {
    return presenter_->Shown()[notices_skipped_ + index].request;
  }
  void ClearNotices() { notices_skipped_ = presenter_->Texts().size(); }

  ScopedMessagePresenter presenter_;
  TempDir dir_;

private:
  std::unique_ptr<Tmain> window_;
  size_t skipped_ = 0;
  size_t notices_skipped_ = 0;
};

} // namespace vandrel::test
