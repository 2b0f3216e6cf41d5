// Rebuilds through the window: checks, the join, deleting the parts.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include <filesystem>

#include "MainWindowFixture.h"
#include "platform/FileSystem.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

class RebuildWindowTest : public MainWindowTest {
protected:
  // Three parts of "film d'été.mkv" and an output folder.
  void Prepare() {
    parts_ = dir_.path() / "parts";
    out_ = dir_.path() / "joined";
    fs::create_directories(parts_);
    fs::create_directories(out_);
    content_ = PatternBytes(700000);
    for (int i = 0; i < 3; ++i) {
      WriteFile(Part(i), content_.substr(static_cast<size_t>(i) * 300000, 300000));
    }
    WriteFile(parts_ / "unrelated.txt", "keep me");
    Open();
    window().rebuild_btnClick();
    window().rbldfile_txt->setText(QString::fromStdString(Part(0)));
    window().rbldoutput_txt->setText(QString::fromStdString(out_.string()));
  }
  std::string Part(int n) const {
    return (parts_ / ("film d'été.mkv.vd" + std::to_string(n))).string();
  }
  fs::path parts_;
  fs::path out_;
  std::string content_;
};

TEST_F(RebuildWindowTest, JoinsThePartsAndKeepsThem) {
  Prepare();
  QTest::mouseClick(window().rbldgo_btn, Qt::LeftButton);
  EXPECT_FALSE(window().rebuild_pnl->isEnabled());
  EXPECT_FALSE(window().split_btn->isEnabled());
  WaitForJob();
  EXPECT_EQ(ReadFile(out_ / "film d'été.mkv"), content_);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(fs::exists(Part(i)));
  }
  EXPECT_TRUE(Logged("Rebuild : " + Part(0), 1));
  EXPECT_TRUE(Logged("Rebuild : complete", 1));
  EXPECT_EQ(Notices(), std::vector<std::string>{"Done."});
  EXPECT_TRUE(window().rebuild_pnl->isEnabled());
  EXPECT_EQ(window().rbld_prg->value(), 0);
  EXPECT_TRUE(window().rbldtimeleft_lbl->text().isEmpty());
}

TEST_F(RebuildWindowTest, DeletesExactlyThePartsAfterACompleteRebuild) {
  Prepare();
  window().rbldoutput_txt->setText(QString::fromStdString(out_.string() + "/"));
  window().rblddelparts_chk->setChecked(true);
  QTest::mouseClick(window().rbldgo_btn, Qt::LeftButton);
  WaitForJob();
  EXPECT_EQ(ReadFile(out_ / "film d'été.mkv"), content_);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(fs::exists(Part(i)));
    EXPECT_TRUE(Logged("Rebuild : deleting " + Part(i), 1));
  }
  EXPECT_TRUE(fs::exists(parts_ / "unrelated.txt"));
  EXPECT_EQ(Notices(), std::vector<std::string>{"Done."});
}

// The rebuilt file cannot be written completely (the file-size limit stands
// in for a full disk): the error is shown, and the parts, the only complete
// copy left, are kept although deletion was asked for.
TEST_F(RebuildWindowTest, AFailedRebuildReportsTheErrorAndKeepsTheParts) {
  Prepare();
  window().rblddelparts_chk->setChecked(true);
  {
    ScopedFileSizeLimit limit(400000);
    QTest::mouseClick(window().rbldgo_btn, Qt::LeftButton);
    WaitForJob();
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(fs::exists(Part(i)));
  }
  EXPECT_FALSE(Logged("Rebuild : complete", 1));
  EXPECT_FALSE(LoggedStartingWith("Rebuild : deleting", 1));
  EXPECT_TRUE(LoggedStartingWith("Rebuild : failed : Cannot write", 2));
  ASSERT_EQ(Notices().size(), 1u);
  EXPECT_EQ(
      Notices()[0].rfind("Rebuild failed: Cannot write " + (out_ / "film d'été.mkv").string(), 0),
      0u)
      << Notices()[0];
  EXPECT_NE(Notices()[0].find("File too large"), std::string::npos);
  EXPECT_NE(Notices()[0].find("The parts were not deleted."), std::string::npos);
  EXPECT_TRUE(window().rebuild_pnl->isEnabled());
}

TEST_F(RebuildWindowTest, AGapInThePartsKeepsThemAll) {
  Prepare();
  WriteFile(parts_ / "film d'été.mkv.vd4", "a later part");
  window().rblddelparts_chk->setChecked(true);
  QTest::mouseClick(window().rbldgo_btn, Qt::LeftButton);
  WaitForJob();
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(fs::exists(Part(i)));
  }
  ASSERT_EQ(Notices().size(), 1u);
  EXPECT_EQ(Notices()[0].rfind("Rebuild failed: Missing part " + Part(3), 0), 0u) << Notices()[0];
  EXPECT_FALSE(fs::exists(out_ / "film d'été.mkv")) << "refused before writing";
}

TEST_F(RebuildWindowTest, AFailedFlushKeepsEveryPart) {
  Prepare();
  window().rblddelparts_chk->setChecked(true);
  platform::SetFlushFailureForTesting(EIO);
  QTest::mouseClick(window().rbldgo_btn, Qt::LeftButton);
  WaitForJob();
  platform::SetFlushFailureForTesting(0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(fs::exists(Part(i)));
  }
  ASSERT_EQ(Notices().size(), 1u);
  EXPECT_EQ(Notices()[0].rfind("Rebuild failed: Cannot write ", 0), 0u) << Notices()[0];
}

TEST_F(RebuildWindowTest, RefusesAMissingFileOrFolder) {
  Prepare();
  const std::string absent = (parts_ / "absent.vd0").string();
  window().rbldfile_txt->setText(QString::fromStdString(absent));
  QTest::mouseClick(window().rbldgo_btn, Qt::LeftButton);
  EXPECT_TRUE(Logged("File not found.", 2));
  window().rbldfile_txt->setText(QString::fromStdString(Part(0)));
  const std::string nowhere = (dir_.path() / "nowhere/").string();
  window().rbldoutput_txt->setText(QString::fromStdString(nowhere));
  QTest::mouseClick(window().rbldgo_btn, Qt::LeftButton);
  EXPECT_TRUE(Logged("Directory not found.", 2));
  EXPECT_EQ(Notices(), (std::vector<std::string>{"File " + absent + " Not Found.",
                                                 "Directory " + nowhere + " Not Found."}));
  EXPECT_FALSE(window().JobRunning());
  EXPECT_TRUE(fs::is_empty(out_));
}

} // namespace
} // namespace vandrel::test
