#include "ui/QtMainThread.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <exception>

#include "base/MainThread.h"

namespace vandrel {

void InstallQtMainThreadDispatcher() {
  QObject* gui = QCoreApplication::instance();
  SetMainThreadDispatcher([gui](const MainThreadCall& call) {
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        gui,
        [&] {
          try {
            call();
          } catch (...) {
            failure = std::current_exception();
          }
        },
        Qt::BlockingQueuedConnection);
    if (failure) {
      std::rethrow_exception(failure);
    }
  });
}

} // namespace vandrel
