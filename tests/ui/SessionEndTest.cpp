// The end of the session, a closed terminal and Ctrl+C close the window as
// its close button does: the shut-down runs in full.

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "MainWindowFixture.h"
#include "ui/SessionEnd.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

using SessionEndTest = MainWindowTest;

TEST_F(SessionEndTest, EachEndSignalClosesTheWindowAndTheLogIsSaved) {
  for (const int number : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(number);
    Tmain& window = Open();
    TSessionEnd session(&window);
    const std::string log_file = window.Log->FileName;
    fs::remove(log_file);
    ASSERT_EQ(kill(getpid(), number), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 10000));
    EXPECT_EQ(session.LastSignal(), number);
    EXPECT_NE(ReadFile(log_file).find("\tStarting\r\n"), std::string::npos)
        << "the log is saved at the end";
  }
}

// A job long enough to be running when the signal comes: a sparse source
// of several gigabytes. It stops at its next block, and the saved log names
// the part it leaves incomplete.
TEST_F(SessionEndTest, SigtermDuringAJobStopsItAndTheLogNamesTheIncompletePart) {
  const fs::path source = dir_.path() / "grand film.iso";
  WriteFile(source, "");
  fs::resize_file(source, 8ull << 30);
  const fs::path out = dir_.path() / "parts";
  fs::create_directory(out);
  Tmain& window = Open();
  TSessionEnd session(&window);
  window.splitfile_txt->setText(QString::fromStdString(source.string()));
  window.splitoutput_txt->setText(QString::fromStdString(out.string()));
  window.splitnumpart_txt->setText("2");
  QTest::mouseClick(window.splitgo_btn, Qt::LeftButton);
  ASSERT_TRUE(window.JobRunning());
  ASSERT_EQ(kill(getpid(), SIGTERM), 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible() && !window.JobRunning(); }, 60000));
  const std::string part = (out / "grand film.iso.vd0").string();
  const std::string stopped =
      "Split : stopped : Stopped before the end: " + part + " is incomplete";
  EXPECT_TRUE(Logged(stopped, 2));
  EXPECT_NE(ReadFile(window.Log->FileName).find(stopped), std::string::npos);
  EXPECT_LT(fs::file_size(part), 4ull << 30);
  EXPECT_FALSE(fs::exists(out / "grand film.iso.vd1"));
  EXPECT_TRUE(Notices().empty());
}

// The application's quit (how the session manager ends a Qt program) runs
// the same shut-down: here a portable copy's export and clean-up.
TEST_F(SessionEndTest, QuitOfTheApplicationRunsThePortableShutDown) {
  MarkInstalled(false);
  const fs::path ini =
      fs::path(PortableSettingsFile(QCoreApplication::applicationFilePath().toStdString()));
  ASSERT_FALSE(fs::exists(ini)) << "left over from an earlier run: " << ini;
  Tmain& window = Open();
  const fs::path data_folder = GetDataFolder(window.ProgramPath(), "Vandrel");
  TSessionEnd session(&window);
  ASSERT_TRUE(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit"));
  const bool closed = !window.isVisible();
  const bool exported = fs::exists(ini);
  const std::string settings = exported ? ReadFile(ini) : std::string();
  fs::remove(ini);
  MarkInstalled(true);
  EXPECT_TRUE(closed);
  EXPECT_NE(settings.find("UpdateServer=127.0.0.1:1"), std::string::npos) << settings;
  EXPECT_FALSE(fs::exists(data_folder));
  EXPECT_FALSE(fs::exists(HermeticRoot() / "config" / "Tolvane"))
      << "neither the hive nor its lock stays";

  EXPECT_EQ(session.LastSignal(), 0);
}

} // namespace
} // namespace vandrel::test
