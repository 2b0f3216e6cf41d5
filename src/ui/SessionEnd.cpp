#include "ui/SessionEnd.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QWidget>

#include "platform/TerminationSignals.h"

namespace vandrel {

TSessionEnd::TSessionEnd(QWidget* window) : window_(window) {
  const int fd = platform::WatchTerminationSignals();
  if (fd >= 0) {
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
      if (const int number = platform::TakeTerminationSignal(); number != 0) {
        last_signal_ = number;
        CloseWindow();
      }
    });
  }
  // Qt closes the windows itself when the session manager ends the session;
  // this covers a quit that did not go through the window. Committing data
  // (commitDataRequest) is no end: the user may still cancel the logout.
  connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
          [this] { CloseWindow(); });
}

TSessionEnd::~TSessionEnd() {
  delete notifier_;
  platform::StopWatchingTerminationSignals();
}

void TSessionEnd::CloseWindow() {
  // The window's own close: its handler does the rest and runs only once.
  window_->close();
}

} // namespace vandrel
