// The taskbar progress on Linux: launcher-entry signals on a private bus.

#include "ui/LauncherEntry.h"

#include <QDBusArgument>
#include <QProcess>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>

#include <vector>

namespace vandrel::test {

// Collects the launcher-entry "Update" signals seen on a bus connection.
class DBusListener : public QObject {
  Q_OBJECT

public:
  explicit DBusListener(QDBusConnection connection) : connection_(std::move(connection)) {
    connection_.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                        QStringLiteral("Update"), this, SLOT(Received(QDBusMessage)));
  }
  struct Update {
    QString app_uri;
    QVariantMap properties;
  };
  std::vector<Update> updates;

public slots:
  void Received(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() == 2) {
      updates.push_back({arguments[0].toString(), qdbus_cast<QVariantMap>(arguments[1])});
    }
  }

private:
  QDBusConnection connection_;
};

namespace {

class PrivateBus : public testing::Test {
protected:
  void SetUp() override {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address")});
    if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000)) {
      GTEST_SKIP() << "dbus-daemon is not available";
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
  }
  void TearDown() override {
    daemon_.kill();
    daemon_.waitForFinished(5000);
  }
  QProcess daemon_;
  QString address_;
};

TEST_F(PrivateBus, ProgressGoesToTheProgramsDesktopEntry) {
  QDBusConnection sender = QDBusConnection::connectToBus(address_, QStringLiteral("sender"));
  QDBusConnection receiver = QDBusConnection::connectToBus(address_, QStringLiteral("receiver"));
  ASSERT_TRUE(sender.isConnected());
  DBusListener listener(receiver);
  {
    TTaskProgressBar bar(CreateLauncherEntry(sender, QStringLiteral("vandrel.desktop")));
    ASSERT_TRUE(bar.HasTaskbar());
    bar.SetMax(100);
    bar.SetPosition(25);
    bar.SetPosition(0);
  }
  // Creation (no progress, twice), the position re-sent against the new
  // maximum, two positions, and the end without progress.
  ASSERT_TRUE(QTest::qWaitFor([&] { return listener.updates.size() >= 6; }, 5000))
      << listener.updates.size();
  for (const auto& update : listener.updates) {
    EXPECT_EQ(update.app_uri, "application://vandrel.desktop");
  }
  EXPECT_FALSE(listener.updates[0].properties.value("progress-visible").toBool());
  EXPECT_DOUBLE_EQ(listener.updates[2].properties.value("progress").toDouble(), 0.10);
  const auto& at_quarter = listener.updates[3].properties;
  EXPECT_DOUBLE_EQ(at_quarter.value("progress").toDouble(), 0.25);
  EXPECT_TRUE(at_quarter.value("progress-visible").toBool());
  EXPECT_FALSE(listener.updates[4].properties.value("progress-visible").toBool());
  EXPECT_FALSE(listener.updates.back().properties.value("progress-visible").toBool());
  QDBusConnection::disconnectFromBus(QStringLiteral("sender"));
  QDBusConnection::disconnectFromBus(QStringLiteral("receiver"));
}

} // namespace
} // namespace vandrel::test

#include "LauncherEntryTest.moc"
