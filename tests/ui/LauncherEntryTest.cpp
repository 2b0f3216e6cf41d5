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
  // Creation (no progress), the position re-sent against the new maximum,
  // 25 %, and 0 (no progress again, which the end then leaves as it is).
  ASSERT_TRUE(QTest::qWaitFor([&] { return listener.updates.size() >= 4; }, 5000))
      << listener.updates.size();
  QTest::qWait(100);
  ASSERT_EQ(listener.updates.size(), 4u);
  for (const auto& update : listener.updates) {
    EXPECT_EQ(update.app_uri, "application://vandrel.desktop");
  }
  EXPECT_FALSE(listener.updates[0].properties.value("progress-visible").toBool());
  EXPECT_DOUBLE_EQ(listener.updates[1].properties.value("progress").toDouble(), 0.10);
  const auto& at_quarter = listener.updates[2].properties;
  EXPECT_DOUBLE_EQ(at_quarter.value("progress").toDouble(), 0.25);
  EXPECT_TRUE(at_quarter.value("progress-visible").toBool());
  EXPECT_FALSE(listener.updates[3].properties.value("progress-visible").toBool());
  QDBusConnection::disconnectFromBus(QStringLiteral("sender"));
  QDBusConnection::disconnectFromBus(QStringLiteral("receiver"));
}

TEST_F(PrivateBus, AJobSendsOneSignalPerShownPercent) {
  QDBusConnection sender = QDBusConnection::connectToBus(address_, QStringLiteral("sender"));
  QDBusConnection receiver = QDBusConnection::connectToBus(address_, QStringLiteral("receiver"));
  ASSERT_TRUE(sender.isConnected());
  DBusListener listener(receiver);
  {
    TTaskProgressBar bar(CreateLauncherEntry(sender, QStringLiteral("vandrel.desktop")));
    // A 1 GiB job in 256 KiB blocks, as the window's progress step drives
    // the bar after each block (maximum, then position), then the reset of
    // the completion handler.
    const std::int64_t blocks = 4096;
    for (std::int64_t done = 0; done <= blocks; ++done) {
      bar.SetMax(100);
      bar.SetPosition(static_cast<std::int32_t>(done * 100 / blocks));
    }
    bar.SetMax(100);
    bar.SetPosition(0);
  }
  // Creation, the 10 % left by creation, 0 to 100 (0 hides), the reset.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return !listener.updates.empty() &&
               !listener.updates.back().properties.value("progress-visible").toBool() &&
               listener.updates.size() > 100;
      },
      5000))
      << listener.updates.size();
  QTest::qWait(100);
  EXPECT_LE(listener.updates.size(), 104u);
  EXPECT_GE(listener.updates.size(), 101u);
  double last = -1;
  int full = 0;
  for (const auto& update : listener.updates) {
    if (update.properties.value("progress-visible").toBool()) {
      const double progress = update.properties.value("progress").toDouble();
      full += progress == 1.0 ? 1 : 0;
      EXPECT_NE(progress, last);
      last = progress;
    }
  }
  EXPECT_EQ(full, 1);
  QDBusConnection::disconnectFromBus(QStringLiteral("sender"));
  QDBusConnection::disconnectFromBus(QStringLiteral("receiver"));
}

} // namespace
} // namespace vandrel::test

#include "LauncherEntryTest.moc"
