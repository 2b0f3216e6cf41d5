// Disk spanning through the window: the checks, the drive's folder, the set
// search, both jobs on swapped disks and their completion.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include "MainWindowFixture.h"
#include "support/SpanDisks.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

const char* const kInsertDisk = "Please insert a valid floppy disk into drive A:";
const char* const kLastDisk = "Please insert the last disk of the set and press \"Ok\".";
std::string DiskPrompt(int disk) {
  return "Please insert the disk #" + std::to_string(disk) + " of the set and press \"Ok\".";
}

void KeepSpanDrive(const std::string& folder) {
  platform::RegistryKey key;
  key.Open(platform::RegistryRoot::CurrentUser, ProductKeyPath(), true);
  key.WriteString("SpanDrive", folder);
}

class SpanWindowTest : public MainWindowTest, public testing::WithParamInterface<DiskKind> {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    if (const std::string why = SpanDisks::Unavailable(GetParam()); !why.empty()) {
      GTEST_SKIP() << why;
    }
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    KeepSpanDrive("");
  }
  SpanDisks& Disks(int count) {
    disks_ = std::make_unique<SpanDisks>(GetParam(), count, kTmpfsDiskBytes);
    KeepSpanDrive(disks_->drive().string());
    Open();
    window().diskspan_btnClick();
    return *disks_;
  }
  std::string Source(size_t size) {
    content_ = PatternBytes(size);
    WriteFile(dir_.path() / "carte postale.jpg", content_);
    return (dir_.path() / "carte postale.jpg").string();
  }
  std::unique_ptr<SpanDisks> disks_;
  std::string content_;
};

TEST_P(SpanWindowTest, SplitsOntoSwappedDisksAndSaysDone) {
  SpanDisks& disks = Disks(2);
  disks.Insert(1);
  window().spansplit_txt->setText(QString::fromStdString(Source(2000000)));
  ClearNotices();
  ScriptPrompts(*presenter_, disks, {{2, kIdOk}});
  QTest::mouseClick(window().spansplit_btn, Qt::LeftButton);
  EXPECT_FALSE(window().diskspan_pnl->isEnabled());
  EXPECT_FALSE(window().split_btn->isEnabled());
  WaitForJob();
  disks.Eject();
  EXPECT_EQ(Notices(), (std::vector<std::string>{kInsertDisk, "Done."}));
  EXPECT_EQ(Box(0).owner, static_cast<QWidget*>(&window()));
  EXPECT_EQ(Box(0).buttons, MessageButtons::OkCancel);
  const std::string part0 = disks.Files(1).at("carte postale.jpg.vd0");
  EXPECT_EQ(part0 + disks.Files(2).at("carte postale.jpg.vd1"), content_);
  EXPECT_EQ(part0.size(), static_cast<size_t>(disks.capacity()));
  EXPECT_TRUE(Logged("Span Splitting : " + dir_.File("carte postale.jpg"), 1));
  EXPECT_TRUE(Logged("Span Splitting : complete", 1));
  EXPECT_TRUE(window().diskspan_pnl->isEnabled());
  EXPECT_EQ(window().spansplit_prg->value(), 0);
}

TEST_P(SpanWindowTest, FindsTheSetsAndRebuildsFromSwappedDisks) {
  SpanDisks& disks = Disks(2);
  disks.Put(1, "rapport final.pdf.vd0", "first half, ");
  disks.Put(1, "notes [v2].txt.vd0", "other set");
  disks.Put(1, "notes [v2].txt.vd1", "its second part");
  disks.Put(2, "rapport final.pdf.vd1", "second half");
  disks.Insert(1);
  QTest::mouseClick(window().diskspanrbldsearch_btn, Qt::LeftButton);
  EXPECT_TRUE(Logged("Span Rebuild : reading floppy drive", 1));
  ASSERT_EQ(window().diskspanflpy_cmb->count(), 2);
  EXPECT_EQ(window().diskspanflpy_cmb->currentIndex(), 0);
  QStringList sets{window().diskspanflpy_cmb->itemText(0), window().diskspanflpy_cmb->itemText(1)};
  sets.sort();
  EXPECT_EQ(sets, (QStringList{"notes [v2].txt", "rapport final.pdf"}));
  window().diskspanflpy_cmb->setCurrentText(QStringLiteral("rapport final.pdf"));
  fs::create_directory(dir_.path() / "out");
  window().spanrbld_txt->setText(QString::fromStdString(dir_.File("out")));

  ClearNotices();
  ScriptPrompts(*presenter_, disks, {{2, kIdOk}, {1, kIdOk}, {2, kIdOk}});
  QTest::mouseClick(window().spanrebuild_btn, Qt::LeftButton);
  WaitForJob();
  EXPECT_EQ(Notices(),
            (std::vector<std::string>{kLastDisk, DiskPrompt(1), DiskPrompt(2), "Done."}));
  EXPECT_EQ(ReadFile(dir_.path() / "out" / "rapport final.pdf"), "first half, second half");
  EXPECT_TRUE(Logged("Span Rebuild : rapport final.pdf", 1));
  EXPECT_TRUE(Logged("Span Rebuild : complete", 1));
  EXPECT_EQ(window().spanrbld_prg->value(), 0);
}

TEST_P(SpanWindowTest, ACancelledSplitSaysWhereItStopped) {
  SpanDisks& disks = Disks(2);
  disks.Insert(1);
  window().spansplit_txt->setText(QString::fromStdString(Source(2000000)));
  ClearNotices();
  ScriptPrompts(*presenter_, disks, {{0, kIdCancel}});
  QTest::mouseClick(window().spansplit_btn, Qt::LeftButton);
  WaitForJob();
  EXPECT_EQ(Notices(), (std::vector<std::string>{
                           kInsertDisk, "Disk-span split stopped by the user at disk #2."}));
  EXPECT_FALSE(Logged("Span Splitting : complete", 1));
  EXPECT_TRUE(
      Logged("Span Splitting : failed : Stopped by the user at disk #2 (parts written: 1)", 2));
  EXPECT_TRUE(window().diskspan_pnl->isEnabled());
}

TEST_P(SpanWindowTest, AStoppedOrFailedRebuildNamesTheIncompleteOutput) {
  SpanDisks& disks = Disks(2);
  disks.Put(1, "a.bin.vd0", "one");
  disks.Put(2, "a.bin.vd1", "two");
  disks.Insert(1);
  window().diskspanrbldsearch_btnClick();
  window().spanrbld_txt->setText(QString::fromStdString(dir_.File("")));
  const std::string output = dir_.File("a.bin");

  ClearNotices();
  ScriptPrompts(*presenter_, disks, {{2, kIdOk}, {1, kIdOk}, {-1, kIdCancel}});
  window().spanrebuild_btnClick();
  WaitForJob();
  ASSERT_EQ(Notices().size(), 4u);
  EXPECT_EQ(Notices()[3], "Disk-span rebuild stopped by the user at disk #2.\nThe rebuilt file " +
                              output + " is incomplete.");
  EXPECT_EQ(ReadFile(output), "one");
  EXPECT_TRUE(LoggedStartingWith("Span Rebuild : failed : Stopped by the user at disk #2", 2));

  // Cancel at the first prompt: nothing was created.
  fs::remove(output);
  ClearNotices();
  ScriptPrompts(*presenter_, disks, {{0, kIdCancel}});
  window().spanrebuild_btnClick();
  WaitForJob();
  EXPECT_EQ(Notices(), (std::vector<std::string>{
                           kLastDisk, "Disk-span rebuild stopped by the user at the last disk."}));
  EXPECT_FALSE(fs::exists(output));

  // A part whose number cannot be read.
  disks.Insert(2);
  fs::remove(disks.drive() / "a.bin.vd1");
  disks.Put(2, "a.bin.vdx", "?");
  ClearNotices();
  ScriptPrompts(*presenter_, disks, {{0, kIdOk}});
  window().spanrebuild_btnClick();
  WaitForJob();
  ASSERT_EQ(Notices().size(), 2u);
  EXPECT_EQ(Notices()[1].rfind("Disk-span rebuild failed: Cannot read", 0), 0u) << Notices()[1];
}

INSTANTIATE_TEST_SUITE_P(Disks, SpanWindowTest, testing::Values(DiskKind::Fake, DiskKind::Tmpfs),
                         DiskKindName);

// The checks before a job and the drive's folder, on the fake seam.
class SpanChecksTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    fake_ = std::make_shared<FakeVolumes>();
    previous_ = platform::SetVolumes(fake_);
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    platform::SetVolumes(previous_);
    KeepSpanDrive("");
  }
  std::shared_ptr<FakeVolumes> fake_;
  std::shared_ptr<platform::Volumes> previous_;
};

TEST_F(SpanChecksTest, WithoutADriveEveryDiskButtonRefuses) {
  for (const bool named : {false, true}) {
    SCOPED_TRACE(named ? "a named folder that does not exist" : "no removable drive");
    fake_->drive_exists = named;
    KeepSpanDrive(named ? dir_.File("absent") : "");
    Open();
    window().diskspan_btnClick();
    EXPECT_EQ(window().spandrive_lbl->text().toStdString(), "No floppy disk drive found.");
    window().spansplit_txt->setText(QString::fromStdString(dir_.File("")));
    window().diskspanflpy_cmb->addItem(QStringLiteral("stale"));
    ClearNotices();
    window().spansplit_btnClick();
    window().diskspanrbldsearch_btnClick();
    window().spanrebuild_btnClick();
    EXPECT_EQ(Notices(), std::vector<std::string>(3, "No floppy disk drive found."));
    EXPECT_TRUE(Logged("No floppy disk drive found.", 2));
    EXPECT_EQ(window().diskspanflpy_cmb->count(), 0);
    EXPECT_TRUE(window().diskspan_pnl->isEnabled());
  }
}

TEST_F(SpanChecksTest, AMissingFileOrFolderIsRefusedAndAnEmptyListDoesNothing) {
  Open();
  window().diskspan_btnClick();
  const std::string absent = dir_.File("absent.bin");
  window().spansplit_txt->setText(QString::fromStdString(absent));
  ClearNotices();
  window().spansplit_btnClick();
  EXPECT_EQ(Notices(), std::vector<std::string>{"File " + absent + " Not Found."});
  EXPECT_TRUE(Logged("File not found.", 2));

  // No set listed: only the log line.
  ClearNotices();
  ClearLog();
  window().spanrebuild_btnClick();
  EXPECT_TRUE(Notices().empty());
  EXPECT_EQ(LogLines().size(), 1u);
  EXPECT_TRUE(Logged("Span Rebuild : ", 1));

  window().diskspanflpy_cmb->addItem(QStringLiteral("set"));
  window().spanrbld_txt->setText(QString::fromStdString(dir_.File("absent") + "/"));
  window().spanrebuild_btnClick();
  EXPECT_EQ(Notices(),
            std::vector<std::string>{"Directory " + dir_.File("absent") + "/ Not Found."});
  EXPECT_TRUE(Logged("Directory not found.", 2));
  EXPECT_FALSE(window().JobRunning());
}

TEST_F(SpanChecksTest, TheDriveFolderIsKeptAndShownWithItsDisk) {
  Open();
  window().diskspan_btnClick();
  EXPECT_EQ(window().spandrive_lbl->text().toStdString(), "No removable disk is mounted");
  EXPECT_TRUE(window().spandrive_txt->text().isEmpty());

  const fs::path folder = dir_.path() / "clé USB";
  fs::create_directory(folder);
  window().spandrive_txt->setText(QString::fromStdString(folder.string()));
  window().spandrive_txtChange();
  EXPECT_EQ(ReadProductSetting("SpanDrive"), folder.string());
  EXPECT_TRUE(Logged("Span Drive : " + folder.string(), 1));
  // A plain folder is no disk.
  EXPECT_EQ(window().spandrive_lbl->text().toStdString(), "No disk in " + folder.string());
  fake_->drive = folder;
  fake_->capacity = 1000;
  fake_->inserted = true;
  window().ShowSpanDrive();
  EXPECT_EQ(window().spandrive_lbl->text().toStdString(), "Disk in the drive: " + folder.string());

  // An empty folder returns to automatic.
  window().spandrive_txt->clear();
  window().spandrive_txtChange();
  EXPECT_EQ(ReadProductSetting("SpanDrive"), "");
  EXPECT_TRUE(Logged("Span Drive : automatic", 1));
  EXPECT_EQ(window().spandrive_lbl->text().toStdString(), "Disk in the drive: " + folder.string());
}

} // namespace
} // namespace vandrel::test
