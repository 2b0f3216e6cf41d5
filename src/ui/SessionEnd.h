#pragma once
// The end of the desktop session, a closed terminal or Ctrl+C close the
// main window as its close button does, so its shut-down runs in full: a
// running job stops and the log names its incomplete file, the log is
// saved, a portable copy exports its settings and cleans up.

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace vandrel {

class TSessionEnd : public QObject {
public:
  /// From now on SIGTERM, SIGHUP and SIGINT (read from the signal pipe on
  /// the GUI thread, platform/TerminationSignals.h) and the application's
  /// aboutToQuit (the session manager's end of the session, or any quit
  /// that did not close the window) close window. One per process.
  explicit TSessionEnd(QWidget* window);
  /// Gives the signals back their earlier handling.
  ~TSessionEnd() override;
  TSessionEnd(const TSessionEnd&) = delete;
  TSessionEnd& operator=(const TSessionEnd&) = delete;

  /// The last signal that closed the window; 0 when none did.
  int LastSignal() const { return last_signal_; }

private:
  void CloseWindow();

  QWidget* window_;
  QSocketNotifier* notifier_ = nullptr;
  int last_signal_ = 0;
};

} // namespace vandrel
