// The companion burner's window offscreen: it closes by itself once the
// part is written and verified, a failure stays on screen until closed, and
// Cancel stops xorriso.

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <filesystem>

#include "burner/BurnerCore.h"
#include "burner/BurnerTexts.h"
#include "burner/BurnerWindow.h"
#include "support/Hermetic.h"
#include "support/ScopedEnvironment.h"

namespace vandrel::burner {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

class BurnerWindowTest : public testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(dir_.path() / "images");
    part_ = dir_.File("part été.vd0");
    test::WriteFile(part_, test::PatternBytes(200000, 5));
    job_.PartFile = part_;
    job_.Target.image = true;
    job_.Target.folder = dir_.File("images");
  }
  TempDir dir_;
  std::string part_;
  TBurnJob job_;
  // No language file beside this folder: the texts stay English.
  TBurnerTexts texts_{W(dir_.path().string() + "/")};
};

TEST_F(BurnerWindowTest, TheWindowClosesItselfOnceThePartIsWrittenAndVerified) {
  TBurnerDlg dialog(job_, texts_, "Image in the folder " + job_.Target.folder);
  EXPECT_EQ(dialog.part_lbl->text().toStdString(), part_);
  EXPECT_EQ(dialog.cancel_btn->text().toStdString(), "Cancel");
  dialog.show();
  dialog.Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 60000));
  EXPECT_TRUE(dialog.Written());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(fs::exists(dir_.path() / "images" / "part été.vd0.iso"));
}

TEST_F(BurnerWindowTest, AFailureStaysOnScreenUntilTheUserClosesIt) {
  job_.MediumSize = 4096;
  TBurnerDlg dialog(job_, texts_, "x");
  dialog.show();
  dialog.Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.cancel_btn->text() == "Close"; }, 60000));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.status_lbl->text().toStdString().find("Cannot burn " + part_ + " on "),
            std::string::npos)
      << dialog.status_lbl->text().toStdString();
  QTest::mouseClick(dialog.cancel_btn, Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_FALSE(dialog.Written());
}

TEST_F(BurnerWindowTest, CancelStopsXorrisoAndClosesTheWindow) {
  // An xorriso that never finishes by itself.
  const fs::path bin = dir_.path() / "bin";
  fs::create_directories(bin);
  test::WriteFile(bin / "xorriso", "#!/bin/sh\nwhile :; do sleep 0.02; done\n");
  fs::permissions(bin / "xorriso", fs::perms::owner_all);
  job_.Xorriso = (bin / "xorriso").string();
  TBurnerDlg dialog(job_, texts_, "x");
  dialog.show();
  dialog.Start();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return dialog.status_lbl->text().toStdString() == "Preparing..."; }, 10000));
  QTest::mouseClick(dialog.cancel_btn, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 30000));
  EXPECT_FALSE(dialog.Written());
  EXPECT_TRUE(job_.Cancelled());
  EXPECT_TRUE(fs::is_empty(dir_.path() / "images"));
}

} // namespace
} // namespace vandrel::burner
