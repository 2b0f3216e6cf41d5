// Taskbar progress on Linux desktops: the launcher-entry D-Bus signal that
// docks and task managers read for a desktop entry. Nobody listening is
// fine; without a session bus there is no taskbar object at all.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

#include "base/Numbers.h"
#include "ui/LauncherEntry.h"

namespace vandrel {

namespace {

class TLauncherEntry : public TTaskbarList {
public:
  TLauncherEntry(QDBusConnection connection, const QString& desktop_entry)
      : connection_(std::move(connection)),
        app_uri_(QStringLiteral("application://") + desktop_entry) {}

  void SetProgressValue(std::int64_t completed, std::int64_t total) override {
    // The bar is set twice per copied block (maximum, then position) while
    // the dock shows whole percents: only a change in what it shows is sent.
    const int percent =
        total > 0 ? static_cast<int>(RoundHalfEven(static_cast<long double>(completed) * 100.0L /
                                                   static_cast<long double>(total)))
                  : 0;
    // A bar at 0 is the state the jobs leave behind: show nothing then.
    const bool visible = completed > 0;
    if (sent_ && visible == visible_ && (!visible || percent == percent_)) {
      return;
    }
    Send({{QStringLiteral("progress"), percent / 100.0},
          {QStringLiteral("progress-visible"), visible}});
    Remember(visible, percent);
  }

  void SetProgressState(TaskbarFlag flag) override {
    if (flag == TaskbarFlag::NoProgress && (!sent_ || visible_)) {
      Send({{QStringLiteral("progress-visible"), false}});
      Remember(false, 0);
    }
  }

private:
  void Send(const QVariantMap& properties) {
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/com/canonical/unity/launcherentry/vandrel"),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    signal << app_uri_ << properties;
    connection_.send(signal);
  }

  void Remember(bool visible, int percent) {
    sent_ = true;
    visible_ = visible;
    percent_ = percent;
  }

  QDBusConnection connection_;
  QString app_uri_;
  // What the dock shows now, once a first signal went out.
  bool sent_ = false;
  bool visible_ = false;
  int percent_ = 0;
};

} // namespace

std::unique_ptr<TTaskbarList> CreateLauncherEntry(const QDBusConnection& connection,
                                                  const QString& desktop_entry) {
  if (!connection.isConnected()) {
    return nullptr;
  }
  return std::make_unique<TLauncherEntry>(connection, desktop_entry);
}

std::unique_ptr<TTaskbarList> CreateTaskbarList(const char* desktop_entry) {
  return CreateLauncherEntry(QDBusConnection::sessionBus(), QString::fromUtf8(desktop_entry));
}

} // namespace vandrel
