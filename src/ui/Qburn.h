#pragma once
// The burner hand-off dialog: shown while the parts of a split are handed,
// one at a time, to the disc burner. A one-second timer starts the next
// run once the burner's lock is free; Cancel stops handing over parts (a
// run already started goes on by itself). Created at program entry and
// reused for every split.

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>

#include "platform/Strings.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace vandrel {

class TComponent;

class TQburnDlg : public QDialog {
public:
  /// A hidden dialog (form "QburnDlg"), caption "Burn".
  explicit TQburnDlg(QWidget* owner = nullptr);
  ~TQburnDlg() override;

  QLabel* Image1 = nullptr;
  QProgressBar* prog = nullptr;
  QPushButton* cancel_btn = nullptr;
  /// Disabled until burning starts; 1,000 ms.
  QTimer* tmr = nullptr;

  /// Parts to hand over.
  std::int32_t BurnTotal = 0;
  /// First piece of the project file names ("vandrel").
  AnsiString ProjectPrefix;
  /// Burner runs started so far.
  std::int32_t BurnCount = 0;
  /// True while a launch is in progress.
  bool Launching = false;
  /// The folder of the project files, ending with a separator.
  AnsiString DataFolder;
  /// Part numbers whose project file could not be written: not handed over.
  std::set<std::int32_t> SkippedParts;
  /// Told when the burner could not be started (the run is skipped).
  std::function<void(const AnsiString& burner, const AnsiString& reason)> OnLaunchFailed;

  /// The number of WM_LAUNCH_BURNER (WM_USER + 24); here a queued call.
  static constexpr int WM_LAUNCH_BURNER = 0x418;

  /// Shows the dialog modally until every part is handed over and the last
  /// run has ended (true), or the user cancels (false). False at once,
  /// without a dialog, when no burner is found, BurnTotal is below 1 or
  /// ProjectPrefix is empty.
  bool StartBurning();
  /// The timer's tick: waits while the burner runs or a launch is under
  /// way; closes the dialog (OK) after the last run; else posts the next
  /// launch.
  void tmrTimer();
  /// The launch of run W (1-based): the burner on project file W - 1,
  /// then a wait of at most 10 s until it holds its lock or has ended,
  /// with the dialog's events flowing. A failed start is skipped.
  void LaunchBurner(std::int32_t W);

  /// The dialog as a component of the application's tree.
  TComponent* Component() const { return component_.get(); }

private:
  std::unique_ptr<TComponent> component_;
};

/// The dialog's picture: a disc, 48 x 48.
QImage DrawDiscPicture();

} // namespace vandrel
