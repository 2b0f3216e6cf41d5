// Taskbar progress on Linux desktops: the launcher-entry D-Bus signal that
// docks and task managers read for a desktop entry. Nobody listening is
// fine; without a session bus there is no taskbar object at all.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

#include "ui/LauncherEntry.h"

namespace vandrel {

namespace {

class TLauncherEntry : public TTaskbarList {
public:
  TLauncherEntry(QDBusConnection connection, const QString& desktop_entry)
      : connection_(std::move(connection)),
        app_uri_(QStringLiteral("application://") + desktop_entry) {}

  void SetProgressValue(std::int64_t completed, std::int64_t total) override {
    const double progress =
        total > 0 ? static_cast<double>(completed) / static_cast<double>(total) : 0.0;
    // A bar at 0 is the state the jobs leave behind: show nothing then.
    Send({{QStringLiteral("progress"), progress},
          {QStringLiteral("progress-visible"), completed > 0}});
  }

  void SetProgressState(TaskbarFlag flag) override {
    if (flag == TaskbarFlag::NoProgress) {
      Send({{QStringLiteral("progress-visible"), false}});
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

  QDBusConnection connection_;
  QString app_uri_;
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
