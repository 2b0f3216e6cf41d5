#pragma once
// The companion burner's small window: the part, the target, the progress
// and Cancel. It closes by itself once the part is written and verified; a
// failure stays on screen until the user closes it.

#include <QDialog>

#include <thread>

#include "platform/Strings.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vandrel::burner {

class TBurnJob;
class TBurnerTexts;
enum class BurnStage;

class TBurnerDlg : public QDialog {
public:
  TBurnerDlg(TBurnJob& job, const TBurnerTexts& texts, const AnsiString& target_text);
  ~TBurnerDlg() override;

  /// Starts the burn on a thread of its own.
  void Start();
  /// True once the part is written and verified.
  bool Written() const { return written_; }

  QLabel* part_lbl = nullptr;
  QLabel* target_lbl = nullptr;
  QLabel* status_lbl = nullptr;
  QProgressBar* prog = nullptr;
  QPushButton* cancel_btn = nullptr;

protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

private:
  void ShowProgress(BurnStage stage, int percent);
  void Finished(bool written);

  TBurnJob& job_;
  const TBurnerTexts& texts_;
  std::thread worker_;
  bool running_ = false;
  bool written_ = false;
};

/// Runs the window until it closes; the exit status of the burn.
int RunBurnerWindow(TBurnJob& job, const TBurnerTexts& texts, const AnsiString& target_text);

} // namespace vandrel::burner
