// Splits through the window: setup, checks, earlier parts, completion.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "MainWindowFixture.h"
#include "engine/PartSet.h"
#include "engine/U_PartSizes.h"
#include "engine/U_UnicodeUtils.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

class SplitWindowTest : public MainWindowTest {
protected:
  // A source file and an output folder, typed into the split panel.
  void Prepare(size_t source_bytes, const std::string& name = "vidéo de plage.avi") {
    source_ = dir_.path() / name;
    WriteFile(source_, PatternBytes(source_bytes));
    out_ = dir_.path() / "parts out";
    fs::create_directory(out_);
    Open();
    window().splitfile_txt->setText(QString::fromStdString(source_.string()));
    window().splitoutput_txt->setText(QString::fromStdString(out_.string()));
  }
  std::string Part(int n) const {
    return (out_ / (source_.filename().string() + ".vd" + std::to_string(n))).string();
  }
  int PartsOnDisk() const {
    int count = 0;
    while (fs::exists(Part(count))) {
      ++count;
    }
    return count;
  }
  std::string Joined(int parts) const {
    std::string all;
    for (int i = 0; i < parts; ++i) {
      all += ReadFile(Part(i));
    }
    return all;
  }
  fs::path source_;
  fs::path out_;
};

TEST_F(SplitWindowTest, BySizeWritesThePartsAndSaysDone) {
  Prepare(1000);
  window().splitsize_rdo->setChecked(true);
  window().splitsizepart_txt->setText("300");
  window().splitsizeunit_cmb->setCurrentIndex(0);
  window().splitautoregen_chk->setChecked(true);
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  EXPECT_FALSE(window().split_pnl->isEnabled());
  EXPECT_FALSE(window().rebuild_btn->isEnabled());
  EXPECT_FALSE(window().DropTargetRegistered());
  WaitForJob();
  EXPECT_EQ(PartsOnDisk(), 4);
  EXPECT_EQ(fs::file_size(Part(3)), 100u);
  EXPECT_EQ(Joined(4), ReadFile(source_));
  EXPECT_EQ(ReadFile(out_ / "vidéo de plage.avi.bat").substr(0, 11), "@echo off\r\n");
  EXPECT_TRUE(Logged("Splitting : " + source_.string(), 1));
  EXPECT_TRUE(Logged("Split : complete", 1));
  EXPECT_TRUE(Logged("Split : batch generation...", 1));
  EXPECT_TRUE(Logged("Split : batch generation complete", 1));
  EXPECT_EQ(Notices(), std::vector<std::string>{"Done."});
  EXPECT_TRUE(window().split_pnl->isEnabled());
  EXPECT_TRUE(window().rebuild_btn->isEnabled());
  EXPECT_TRUE(window().DropTargetRegistered());
  EXPECT_EQ(window().split_prg->value(), 0);
  EXPECT_TRUE(window().splittimeleft_lbl->text().isEmpty());
}

struct CountCase {
  size_t bytes;
  const char* parts;
  int expected_parts;
};

class SplitByNumber : public SplitWindowTest, public testing::WithParamInterface<CountCase> {};

TEST_P(SplitByNumber, MakesPartsOfTheRoundedUpSize) {
  const CountCase& c = GetParam();
  Prepare(c.bytes);
  window().splitnum_rdo->setChecked(true);
  window().splitnumpart_txt->setText(c.parts);
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  WaitForJob();
  EXPECT_EQ(PartsOnDisk(), c.expected_parts);
  EXPECT_EQ(Joined(c.expected_parts), ReadFile(source_));
  EXPECT_FALSE(fs::exists(out_ / (source_.filename().string() + ".bat")));
  EXPECT_FALSE(Logged("Split : batch generation...", 1));
  EXPECT_EQ(Notices(), std::vector<std::string>{"Done."});
}

INSTANTIATE_TEST_SUITE_P(Counts, SplitByNumber,
                         testing::Values(CountCase{10, "4", 4}, CountCase{9, "4", 3},
                                         CountCase{5, "10", 5}, CountCase{0, "3", 0},
                                         CountCase{3 * 262144 + 7, "2", 2}));

TEST_F(SplitWindowTest, PresetsShowTheirExactByteCounts) {
  Open();
  for (size_t i = 0; i < PredefinedSizeTable.size(); ++i) {
    window().splitnum_rdo->setChecked(true);
    window().splitpredef_cmb->setCurrentIndex(static_cast<int>(i));
    window().splitpredef_cmbChange();
    EXPECT_TRUE(window().splitsize_rdo->isChecked());
    EXPECT_EQ(window().ReadPartSize(), static_cast<std::int64_t>(PredefinedSizeTable[i].Size))
        << PredefinedSizeTable[i].Name;
  }
  window().splitpredef_cmb->setCurrentIndex(1);
  window().splitpredef_cmbChange();
  EXPECT_EQ(window().splitsizepart_txt->text(), "1.39013671875");
  EXPECT_EQ(window().splitsizeunit_cmb->currentText(), "Mb.");
  // "Custom" only selects "Size of parts"; a new unit keeps the number.
  window().splitnum_rdo->setChecked(true);
  window().splitpredef_cmb->setCurrentIndex(13);
  window().splitpredef_cmbChange();
  EXPECT_TRUE(window().splitsize_rdo->isChecked());
  EXPECT_EQ(window().splitsizepart_txt->text(), "1.39013671875");
  window().splitsizepart_txt->setText("2");
  window().splitsizeunit_cmb->setCurrentIndex(3);
  window().splitsizeunit_cmbChange();
  EXPECT_EQ(window().ReadPartSize(), 2147483648);
  window().splitsizepart_txt->clear();
  EXPECT_EQ(window().ReadPartSize(), 0);
}

struct RefusalCase {
  const char* name;
  bool file_exists;
  bool folder_exists;
  bool by_size;
  const char* amount;
  const char* log_line;
  const char* notice; // "%s" stands for the field's text
};

class SplitRefusal : public SplitWindowTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(SplitRefusal, LogsTellsAndChangesNothing) {
  const RefusalCase& c = GetParam();
  Prepare(100);
  if (!c.file_exists) {
    window().splitfile_txt->setText(QString::fromStdString((dir_.path() / "absent.avi").string()));
  }
  if (!c.folder_exists) {
    window().splitoutput_txt->setText(QString::fromStdString((dir_.path() / "nowhere/").string()));
  }
  (c.by_size ? window().splitsize_rdo : window().splitnum_rdo)->setChecked(true);
  (c.by_size ? window().splitsizepart_txt : window().splitnumpart_txt)->setText(c.amount);
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  EXPECT_FALSE(window().JobRunning());
  EXPECT_TRUE(Logged(c.log_line, 2)) << c.log_line;
  std::string notice = c.notice;
  if (const size_t at = notice.find("%s"); at != std::string::npos) {
    const QLineEdit* field = c.file_exists ? window().splitoutput_txt : window().splitfile_txt;
    notice.replace(at, 2, field->text().toStdString());
  }
  EXPECT_EQ(Notices(), std::vector<std::string>{notice});
  EXPECT_EQ(Box(0).caption, "Vandrel");
  EXPECT_TRUE(window().split_pnl->isEnabled());
  EXPECT_TRUE(fs::is_empty(out_));
}

INSTANTIATE_TEST_SUITE_P(
    Checks, SplitRefusal,
    testing::Values(RefusalCase{"NoFile", false, true, false, "2", "File not found",
                                "File %s Not Found."},
                    RefusalCase{"NoFolder", true, false, false, "2", "Directory not found",
                                "Directory %s Not Found."},
                    RefusalCase{"NullSize", true, true, true, "0", "Null size",
                                "Please set a size of parts greater than 1 byte"},
                    RefusalCase{"EmptySize", true, true, true, "", "Null size",
                                "Please set a size of parts greater than 1 byte"},
                    RefusalCase{"OnePart", true, true, false, "1", "Not enougth parts :1",
                                "Please set a number of parts greater than 1"},
                    RefusalCase{"NoCount", true, true, false, "", "Not enougth parts :",
                                "Please set a number of parts greater than 1"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

// The size field reads the same under every locale (the suite runs once
// more under a comma-decimal one): "." and "," are both the decimal mark.
TEST_F(SplitWindowTest, SizesReadTheSameWithEitherDecimalMark) {
  Open();
  struct Case {
    const char* text;
    int unit;
    std::int64_t bytes;
  };
  for (const Case& c :
       {Case{"1.5", 2, 1572864}, Case{"1,5", 2, 1572864}, Case{"1.39013671875", 2, 1457664},
        Case{"0,5", 1, 512}, Case{"4,37", 3, 4692251771}, Case{"7", 0, 7},
        Case{"8589934591", 3, 9223372035781033984},
        // 2^63 bytes and more do not fit: unreadable, as 0.
        Case{"8589934592", 3, 0}, Case{"9999999999999", 3, 0}, Case{"1,2.3", 2, 0},
        Case{",", 2, 0}}) {
    window().splitsizepart_txt->setText(c.text);
    window().splitsizeunit_cmb->setCurrentIndex(c.unit);
    EXPECT_EQ(window().ReadPartSize(), c.bytes) << c.text;
  }
}

TEST_F(SplitWindowTest, TheFloppyPresetSplitsIntoFloppySizedParts) {
  Prepare(3000000);
  window().splitpredef_cmb->setCurrentIndex(1);
  window().splitpredef_cmbChange();
  EXPECT_EQ(window().splitsizepart_txt->text(), "1.39013671875");
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  WaitForJob();
  ASSERT_EQ(PartsOnDisk(), 3);
  EXPECT_EQ(fs::file_size(Part(0)), 1457664u);
  EXPECT_EQ(fs::file_size(Part(1)), 1457664u);
  EXPECT_EQ(Joined(3), ReadFile(source_));
}

TEST_F(SplitWindowTest, ASizeBeyond64BitsIsRefusedBeforeAnyQuestion) {
  Prepare(10);
  WriteFile(Part(0), "old first part");
  window().splitsize_rdo->setChecked(true);
  window().splitsizepart_txt->setText("9999999999999");
  window().splitsizeunit_cmb->setCurrentIndex(3);
  presenter_->Answer({kIdYes});
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  EXPECT_FALSE(window().JobRunning());
  EXPECT_TRUE(Logged("Null size", 2));
  EXPECT_EQ(Notices(), std::vector<std::string>{"Please set a size of parts greater than 1 byte"});
  EXPECT_EQ(ReadFile(Part(0)), "old first part");
  EXPECT_TRUE(window().split_pnl->isEnabled());
}

TEST_F(SplitWindowTest, OutputFolderWithTrailingSeparatorIsAccepted) {
  Prepare(20);
  window().splitoutput_txt->setText(QString::fromStdString(out_.string() + "/"));
  window().splitnumpart_txt->setText("2");
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  WaitForJob();
  EXPECT_EQ(PartsOnDisk(), 2);
}

TEST_F(SplitWindowTest, EarlierPartsAreDeletedOnlyAfterYes) {
  Prepare(10);
  const std::string stale = (out_ / "vidéo de plage.avi.vd7").string();
  for (bool yes : {false, true}) {
    WriteFile(stale, "left over");
    WriteFile(Part(0), "old first part");
    ClearLog();
    ClearNotices();
    presenter_->Answer({yes ? kIdYes : kIdNo});
    window().splitnumpart_txt->setText("2");
    QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
    EXPECT_TRUE(Logged("Splitting : Non empty output folder", 1));
    ASSERT_FALSE(Notices().empty());
    EXPECT_EQ(Box(0).caption, "Question");
    EXPECT_EQ(Box(0).buttons, MessageButtons::YesNo);
    if (!yes) {
      EXPECT_FALSE(window().JobRunning());
      EXPECT_TRUE(fs::exists(stale));
      EXPECT_EQ(ReadFile(Part(0)), "old first part");
      EXPECT_EQ(Notices().size(), 1u);
      EXPECT_TRUE(window().split_pnl->isEnabled());
      continue;
    }
    WaitForJob();
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(Logged("Splitting : deleting " + out_.string() + "/vidéo de plage.avi.vd7", 1));
    EXPECT_EQ(Joined(2), ReadFile(source_));
  }
}

TEST_F(SplitWindowTest, AFolderNamedLikeAPartIsLeftAloneWithoutLooping) {
  Prepare(10);
  fs::create_directory(out_ / "vidéo de plage.avi.vd3");
  WriteFile(out_ / "vidéo de plage.avi.vd3" / "inside", "x");
  WriteFile(Part(5), "old");
  presenter_->Answer({kIdYes});
  window().splitnumpart_txt->setText("2");
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  WaitForJob();
  EXPECT_TRUE(fs::exists(out_ / "vidéo de plage.avi.vd3" / "inside"));
  EXPECT_FALSE(fs::exists(Part(5)));
  EXPECT_EQ(PartsOnDisk(), 2);
}

// Makes a file undeletable even for root (the immutable attribute), or
// reports that the file system cannot.
bool SetImmutable(const fs::path& file, bool on) {
  const int fd = open(file.c_str(), O_RDONLY);
  if (fd < 0) {
    return false;
  }
  int flags = 0;
  bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
  done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  close(fd);
  return done;
}

TEST_F(SplitWindowTest, AnEarlierPartThatCannotBeDeletedStopsTheSplitWithANotice) {
  Prepare(10);
  const fs::path stuck = out_ / "vidéo de plage.avi.vd2";
  WriteFile(stuck, "old");
  if (!SetImmutable(stuck, true)) {
    GTEST_SKIP() << "no immutable files on this file system";
  }
  presenter_->Answer({kIdYes});
  window().splitnumpart_txt->setText("2");
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  SetImmutable(stuck, false);
  EXPECT_FALSE(window().JobRunning());
  EXPECT_TRUE(LoggedStartingWith("Splitting : unable to delete " + stuck.string(), 2));
  ASSERT_EQ(Notices().size(), 2u);
  EXPECT_EQ(Notices()[1], "Unable to delete " + stuck.string() + " (Operation not permitted)");
  EXPECT_TRUE(window().split_pnl->isEnabled());
  EXPECT_FALSE(fs::exists(Part(0)));
}

// A part the program cannot write (the file-size limit stands in for a full
// disk) is reported as a failure naming the file, not as "Done.".
TEST_F(SplitWindowTest, AFailedSplitShowsTheErrorInsteadOfDone) {
  Prepare(5000);
  window().splitsize_rdo->setChecked(true);
  window().splitsizepart_txt->setText("3000");
  window().splitsizeunit_cmb->setCurrentIndex(0);
  window().splitautoregen_chk->setChecked(true);
  {
    ScopedFileSizeLimit limit(1000);
    QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
    WaitForJob();
  }
  EXPECT_FALSE(Logged("Split : complete", 1));
  EXPECT_TRUE(LoggedStartingWith("Split : failed : Cannot write " + Part(0), 2));
  ASSERT_EQ(Notices().size(), 1u);
  EXPECT_EQ(Notices()[0].rfind("Split failed: Cannot write " + Part(0), 0), 0u) << Notices()[0];
  EXPECT_FALSE(fs::exists(out_ / "vidéo de plage.avi.bat"));
  EXPECT_TRUE(window().split_pnl->isEnabled());
  EXPECT_EQ(window().split_prg->value(), 0);
}

TEST_F(SplitWindowTest, ProgressAndTimeLeftFollowTheJob) {
  Prepare(8 * 262144);
  window().splitnumpart_txt->setText("2");
  std::vector<int> seen;
  QString time_left;
  QObject::connect(window().split_prg, &QProgressBar::valueChanged, [&](int value) {
    seen.push_back(value);
    if (value == 100) {
      time_left = window().splittimeleft_lbl->text();
    }
  });
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  WaitForJob();
  ASSERT_GE(seen.size(), 8u);
  EXPECT_EQ(seen[0], 12); // 12.5 % rounded half to even
  EXPECT_EQ(seen[seen.size() - 2], 100);
  EXPECT_EQ(seen.back(), 0);
  EXPECT_EQ(time_left, "Time Left : 00:00");
}

TEST_F(SplitWindowTest, ClosingDuringAJobStopsItAndKeepsTheIncompletePart) {
  Prepare(64 * 262144);
  window().splitnumpart_txt->setText("2");
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  ASSERT_TRUE(window().JobRunning());
  window().close();
  EXPECT_FALSE(window().JobRunning());
  EXPECT_TRUE(LoggedStartingWith("Split : stopped : Stopped before the end: " + Part(0), 2));
  EXPECT_TRUE(Notices().empty());
  EXPECT_TRUE(fs::exists(Part(0)));
  EXPECT_LT(fs::file_size(Part(0)), 32u * 262144);
  EXPECT_FALSE(fs::exists(Part(1)));
}

// --- Data safety ------------------------------------------------------------

TEST_F(SplitWindowTest, ANameWithWildcardCharactersMatchesOnlyItself) {
  Prepare(10, "clip?.mp4");
  WriteFile(out_ / "clip1.mp4.vd0", "not mine");
  window().splitnumpart_txt->setText("2");
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  WaitForJob();
  EXPECT_EQ(Notices(), std::vector<std::string>{"Done."}) << "no question about clip1";
  EXPECT_EQ(ReadFile(out_ / "clip1.mp4.vd0"), "not mine");
  EXPECT_EQ(Joined(2), ReadFile(source_));
}

TEST_F(SplitWindowTest, OnlyARegularFileIsSplitAndNothingIsAskedFirst) {
  Prepare(10);
  WriteFile(out_ / "pipe.vd0", "earlier part");
  ASSERT_EQ(mkfifo((dir_.path() / "pipe").c_str(), 0600), 0);
  for (const std::string& input : {(dir_.path() / "pipe").string(), std::string("/dev/zero"),
                                   std::string("/proc/self/status")}) {
    SCOPED_TRACE(input);
    ClearNotices();
    window().splitfile_txt->setText(QString::fromStdString(input));
    window().splitnumpart_txt->setText("2");
    QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
    EXPECT_FALSE(window().JobRunning());
    EXPECT_EQ(Notices(), std::vector<std::string>{input + " is not a regular file."});
  }
  EXPECT_TRUE(fs::exists(out_ / "pipe.vd0"));
}

TEST_F(SplitWindowTest, UnquotableNameGetsNoScriptAndOneNotice) {
  Prepare(10, "x\" & echo INJECTED & \".bin");
  window().splitautoregen_chk->setChecked(true);
  window().splitnumpart_txt->setText("2");
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  WaitForJob();
  EXPECT_EQ(PartsOnDisk(), 2);
  EXPECT_FALSE(fs::exists(out_ / (source_.filename().string() + ".bat")));
  ASSERT_EQ(Notices().size(), 2u);
  EXPECT_NE(Notices()[0].find("no rebuild file could be written"), std::string::npos);
  EXPECT_EQ(Notices()[1], "Done.");
  EXPECT_TRUE(LoggedStartingWith("Split : no batch file : ", 2));
}

TEST_F(SplitWindowTest, AJobThatCannotStartUnlocksThePanelAndSaysWhy) {
  Prepare(10);
  window().splitnumpart_txt->setText("2");
  TThread::FailStartsForTesting(true);
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  TThread::FailStartsForTesting(false);
  EXPECT_FALSE(window().JobRunning());
  EXPECT_TRUE(window().split_pnl->isEnabled());
  ASSERT_EQ(Notices().size(), 1u);
  EXPECT_EQ(Notices()[0].rfind("Split failed: Cannot start the job: ", 0), 0u) << Notices()[0];
}

TEST_F(SplitWindowTest, DoubledAndRootSeparatorsAreFolders) {
  Prepare(10);
  window().splitoutput_txt->setText(QString::fromStdString(out_.string() + "//"));
  window().splitnumpart_txt->setText("2");
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  WaitForJob();
  EXPECT_EQ(PartsOnDisk(), 2);
  EXPECT_EQ(NormalizeFolder(u"/"), u"/");
  EXPECT_EQ(NormalizeFolder(u"//"), u"/");
  EXPECT_EQ(NormalizeFolder(u"a//b///"), u"a/b");
  EXPECT_TRUE(WDirectoryExists(NormalizeFolder(u"/")));
}

} // namespace
} // namespace vandrel::test
