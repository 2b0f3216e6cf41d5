// Burning through the window: the check of the burner when the box is
// ticked, and the hand-off dialog after a split with a stand-in burner
// that records its runs.

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>

#include "MainWindowFixture.h"
#include "platform/NamedLock.h"
#include "shell/U_BurnHandOff.h"
#include "ui/Qburn.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

class BurnWindowTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    log_ = dir_.File("burner.log");
    setenv("FAKE_BURNER_LOG", log_.c_str(), 1);
    fs::remove_all(DataFolder());
  }
  void TearDown() override {
    dialog_.reset();
    MainWindowTest::TearDown();
    unsetenv("FAKE_BURNER_LOG");
    unsetenv("FAKE_BURNER_HOLD_UNTIL");
    platform::DeleteRegistryKeyTree(platform::RegistryRoot::CurrentUser, kBurnerKeyPath);
  }
  static fs::path DataFolder() { return HermeticRoot() / "data" / "Tolvane" / "Vandrel"; }
  static void UseBurner(const std::string& path, const char* value = "QivburnCD") {
    platform::RegistryKey key;
    key.Open(platform::RegistryRoot::CurrentUser, kBurnerKeyPath, true);
    key.WriteString(value, path);
  }
  // The window with its hand-off dialog, a source of `bytes` bytes to cut
  // into three parts, and "Burn on CD/DVD" ticked.
  void Prepare(size_t bytes) {
    source_ = dir_.path() / "vidéo de plage.avi";
    WriteFile(source_, PatternBytes(bytes));
    out_ = dir_.path() / "parts out";
    fs::create_directory(out_);
    Open({}, [this](Tmain& window) {
      dialog_ = std::make_unique<TQburnDlg>(&window);
      window.QburnDlg = dialog_.get();
    });
    // The rule of the timer, at a pace that keeps the test short.
    dialog_->tmr->setInterval(20);
    window().splitfile_txt->setText(QString::fromStdString(source_.string()));
    window().splitoutput_txt->setText(QString::fromStdString(out_.string()));
    window().splitsize_rdo->setChecked(true);
    window().splitsizepart_txt->setText("1");
    window().splitnumpart_txt->setText("3");
    window().splitnum_rdo->setChecked(true);
    window().splitburn_chk->setChecked(true);
  }
  void SplitNow() {
    QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
    WaitForJob();
  }
  std::string Part(int n) const {
    return (out_ / (source_.filename().string() + ".vd" + std::to_string(n))).string();
  }
  std::string Project(int n) const {
    return (DataFolder() / ("vandrel_" + std::to_string(n) + ".qvb")).string();
  }
  std::vector<std::string> Runs() const {
    return fs::exists(log_) ? SplitTextLines(ReadFile(log_)) : std::vector<std::string>{};
  }
  std::vector<std::string> Expected(std::initializer_list<int> parts) const {
    std::vector<std::string> lines;
    for (int n : parts) {
      lines.push_back("start 2 /datafl|" + Project(n));
      lines.push_back("part " + Part(n));
      lines.push_back("end");
    }
    return lines;
  }
  /// Runs check every few milliseconds while the dialog is up.
  void WhileDialogRuns(const std::function<void()>& check) {
    auto* timer = new QTimer(dialog_.get());
    QObject::connect(timer, &QTimer::timeout, check);
    timer->start(10);
  }

  std::unique_ptr<TQburnDlg> dialog_;
  fs::path source_;
  fs::path out_;
  std::string log_;
};

TEST_F(BurnWindowTest, ThreePartsGoToTheBurnerOneRunAfterTheOtherAndTheDialogClosesItself) {
  UseBurner(VANDREL_FAKE_BURNER_PATH);
  Prepare(300000);
  bool shown = false;
  WhileDialogRuns([&] { shown = shown || dialog_->isVisible(); });
  SplitNow();
  EXPECT_TRUE(shown);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(dialog_->BurnCount, 3);
  EXPECT_EQ(dialog_->prog->value(), 3);
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(ReadFile(Project(n)), EncodeProjectFile(W(Part(n))));
  }
  EXPECT_EQ(Runs(), Expected({0, 1, 2}));
  EXPECT_TRUE(Logged("Split : starting burning operation", 1));
  EXPECT_EQ(Notices(), std::vector<std::string>{"Done."});
  EXPECT_EQ(dialog_->windowTitle().toStdString(), "Burn");
  EXPECT_EQ(dialog_->tmr->interval(), 20);
  EXPECT_FALSE(dialog_->tmr->isActive());
}

TEST_F(BurnWindowTest, WithTheCompanionEveryPartEndsUpVerifiedInItsOwnImage) {
  const fs::path images = dir_.path() / "images";
  fs::create_directories(images);
  platform::RegistryKey target;
  target.Open(platform::RegistryRoot::CurrentUser, "Software\\Qiv\\Burner", true);
  target.WriteString("Target", "image:" + images.string());
  UseBurner(VANDREL_BURNER_PATH);
  Prepare(300000);
  SplitNow();
  EXPECT_EQ(dialog_->BurnCount, 3);
  // The companion keeps an image only once its part read back equal.
  for (int n = 0; n < 3; ++n) {
    const fs::path image =
        images / (source_.filename().string() + ".vd" + std::to_string(n) + ".iso");
    EXPECT_TRUE(fs::exists(image)) << image;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(images), fs::directory_iterator()), 3);
  platform::DeleteRegistryKeyTree(platform::RegistryRoot::CurrentUser, "Software\\Qiv\\Burner");
}

TEST_F(BurnWindowTest, ABurnerAlreadyRunningDelaysTheFirstRun) {
  UseBurner(VANDREL_FAKE_BURNER_PATH);
  Prepare(300000);
  std::error_code ec;
  auto held = platform::NamedLock::TryAcquire(kBurnerLockName, ec);
  ASSERT_NE(held, nullptr);
  int ticks_while_held = 0;
  WhileDialogRuns([&] {
    if (held && dialog_->isVisible()) {
      EXPECT_EQ(dialog_->BurnCount, 0);
      if (++ticks_while_held == 20) {
        held.reset();
      }
    }
  });
  SplitNow();
  EXPECT_GE(ticks_while_held, 20);
  EXPECT_EQ(Runs(), Expected({0, 1, 2}));
}

TEST_F(BurnWindowTest, CancelDuringTheSecondRunHandsOverNoThirdPart) {
  UseBurner(VANDREL_FAKE_BURNER_PATH);
  const std::string release = dir_.File("release");
  setenv("FAKE_BURNER_HOLD_UNTIL", release.c_str(), 1);
  Prepare(300000);
  bool cancelled = false;
  WhileDialogRuns([&] {
    const auto runs = Runs();
    if (runs.size() == 2) {
      WriteFile(release + "-vandrel_0.qvb", ""); // the first run ends
    }
    if (!cancelled && runs.size() >= 5 && dialog_->isVisible()) {
      QTest::mouseClick(dialog_->cancel_btn, Qt::LeftButton);
      cancelled = true;
    }
  });
  SplitNow();
  EXPECT_TRUE(cancelled);
  EXPECT_FALSE(dialog_->isVisible());
  // The second run goes on by itself until it ends.
  WriteFile(release + "-vandrel_1.qvb", "");
  while (IsBurnerRunning()) {
    QTest::qWait(10);
  }
  QTest::qWait(100);
  EXPECT_EQ(Runs(), Expected({0, 1}));
  EXPECT_TRUE(Logged("Split : starting burning operation", 1));
}

TEST_F(BurnWindowTest, ClosingTheWindowDuringTheHandOffStopsItWithoutAnotherBox) {
  UseBurner(VANDREL_FAKE_BURNER_PATH);
  const std::string release = dir_.File("release");
  setenv("FAKE_BURNER_HOLD_UNTIL", release.c_str(), 1);
  Prepare(300000);
  bool closed = false;
  WhileDialogRuns([&] {
    if (!closed && Runs().size() >= 2) {
      closed = true;
      window().close(); // as a logout or SIGTERM does
    }
  });
  SplitNow();
  EXPECT_TRUE(closed);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_TRUE(Notices().empty());
  EXPECT_TRUE(Logged("Split : starting burning operation", 1));
  WriteFile(release + "-vandrel_0.qvb", "");
  while (IsBurnerRunning()) {
    QTest::qWait(10);
  }
  QTest::qWait(100);
  EXPECT_EQ(Runs(), Expected({0}));
}

TEST_F(BurnWindowTest, AProjectFileThatCannotBeWrittenIsToldAndOnlyItsPartStaysBehind) {
  UseBurner(VANDREL_FAKE_BURNER_PATH);
  Prepare(300000);
  fs::create_directories(Project(1));
  SplitNow();
  EXPECT_TRUE(Logged("Split : unable to write the burner project file " + Project(1), 2));
  ASSERT_EQ(Notices().size(), 2u);
  EXPECT_EQ(Notices()[0], "Unable to write the burner project file " + Project(1) +
                              ": its part is not handed to the burner.");
  EXPECT_EQ(Runs(), Expected({0, 2}));
}

TEST_F(BurnWindowTest, FolderAndMissingFileFormsOfTheSettingFindTheBurner) {
  const fs::path folder = dir_.path() / "burner folder";
  fs::create_directories(folder);
  fs::copy_file(VANDREL_FAKE_BURNER_PATH, folder / BurnerExeName());
  // A value naming a missing file is tried as a folder, then the second
  // value (a folder without its final separator) serves.
  UseBurner((folder / "gone").string());
  UseBurner(folder.string(), "Qivburn");
  Prepare(300000);
  SplitNow();
  EXPECT_EQ(Runs(), Expected({0, 1, 2}));
}

TEST_F(BurnWindowTest, ABurnerThatCannotStartIsLoggedAndTheDialogStillEnds) {
  const std::string not_executable = dir_.File("qivburncd");
  WriteFile(not_executable, "not a program");
  UseBurner(not_executable);
  Prepare(300000);
  SplitNow();
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(dialog_->BurnCount, 3);
  EXPECT_TRUE(LoggedStartingWith("Split : unable to start the burner " + not_executable, 2));
  EXPECT_TRUE(Logged("Split : starting burning operation", 1));
}

TEST_F(BurnWindowTest, WithoutABurnerOrWithoutPartsThereIsNoDialog) {
  Prepare(300000);
  bool shown = false;
  WhileDialogRuns([&] { shown = shown || dialog_->isVisible(); });
  SplitNow();
  // The project files are written all the same.
  EXPECT_TRUE(fs::exists(Project(2)));
  EXPECT_TRUE(Logged("Split : starting burning operation", 1));

  UseBurner(VANDREL_FAKE_BURNER_PATH);
  fs::remove_all(DataFolder());
  WriteFile(source_, "");
  window().splitsize_rdo->setChecked(true);
  window().splitsizepart_txt->setText("1");
  presenter_->Answer({kIdYes});
  SplitNow();
  EXPECT_FALSE(fs::exists(Project(0)));
  EXPECT_FALSE(shown);
  EXPECT_TRUE(Runs().empty());
}

TEST_F(BurnWindowTest, TickingTheBoxWithoutABurnerOffersTheDownloadAndKeepsTheBoxTicked) {
  Prepare(10);
  window().splitburn_chk->setChecked(false);
  presenter_->Answer({kIdNo, kIdNo});
  QTest::mouseClick(window().splitburn_chk, Qt::LeftButton);
  EXPECT_TRUE(window().splitburn_chk->isChecked());
  ASSERT_EQ(Notices().size(), 1u);
  EXPECT_EQ(Notices()[0], "QivburnDVD is required to burn CDs or DVDs with this software. Do "
                          "you want to download it now ?");
  // The rebuild-file box shares the handler; it asks again while burning
  // is ticked.
  QTest::mouseClick(window().splitautoregen_chk, Qt::LeftButton);
  EXPECT_EQ(Notices().size(), 2u);
  // Unticking asks nothing; with a burner, ticking asks nothing either.
  QTest::mouseClick(window().splitburn_chk, Qt::LeftButton);
  UseBurner(VANDREL_FAKE_BURNER_PATH);
  QTest::mouseClick(window().splitburn_chk, Qt::LeftButton);
  EXPECT_TRUE(window().splitburn_chk->isChecked());
  EXPECT_EQ(Notices().size(), 2u);
}

} // namespace
} // namespace vandrel::test
