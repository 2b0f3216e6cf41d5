// The disk-span split job on swapped disks: real tmpfs volumes when root,
// the fake volumes seam otherwise.

#include <gtest/gtest.h>

#include "engine/U_SpanDrive.h"
#include "engine/U_SpanSplitThread.h"
#include "engine/U_SpannedFileStream.h"
#include "support/SpanDisks.h"

namespace vandrel::test {
namespace {

const char* const kInsertDisk = "Please insert a valid floppy disk into drive A:";

class SpanSplitTest : public testing::TestWithParam<DiskKind> {
protected:
  void SetUp() override {
    if (const std::string why = SpanDisks::Unavailable(GetParam()); !why.empty()) {
      GTEST_SKIP() << why;
    }
  }
  /// disks_ with count disks of a tmpfs page-rounded floppy each.
  SpanDisks& Disks(int count, std::int64_t capacity = kTmpfsDiskBytes) {
    disks_ = std::make_unique<SpanDisks>(GetParam(), count, capacity);
    return *disks_;
  }
  /// A source of size bytes with a name that has a blank and accents.
  WideString Source(std::int64_t size) {
    bytes_ = PatternBytes(static_cast<size_t>(size));
    WriteFile(dir_.path() / "vidéo de vacances.avi", bytes_);
    return dir_.WFile("vidéo de vacances.avi");
  }
  SpanRun Split(const WideString& source) {
    job_.SourceFile = source;
    job_.Drive = disks_->Drive();
    return RunSpanJob(job_);
  }
  static std::string Part(int n) { return "vidéo de vacances.avi.vd" + std::to_string(n); }

  ScopedMessagePresenter presenter_;
  TempDir dir_;
  std::unique_ptr<SpanDisks> disks_;
  TSpanSplitThread job_;
  std::string bytes_;
};

TEST_P(SpanSplitTest, FillsEachDiskAndAsksForTheNextWhenFull) {
  SpanDisks& disks = Disks(3);
  const std::int64_t cap = disks.capacity();
  disks.Insert(1);
  ScriptPrompts(*presenter_, disks, {{2, kIdOk}, {3, kIdOk}});
  const WideString source = Source(3000000);
  EXPECT_EQ(MinimalFloppyCount(3000000), 3);

  const SpanRun run = Split(source);
  disks.Eject();
  EXPECT_TRUE(job_.Succeeded()) << job_.ErrorText;
  EXPECT_EQ(run.completions, 1);
  EXPECT_EQ(presenter_->Texts(), (std::vector<AnsiString>{kInsertDisk, kInsertDisk}));
  EXPECT_EQ(presenter_->Shown()[0].request.buttons, MessageButtons::OkCancel);
  // Parts are numbered across the disks; each disk holds its part alone.
  using Files = std::map<std::string, std::string>;
  EXPECT_EQ(disks.Files(1), (Files{{Part(0), bytes_.substr(0, cap)}}));
  EXPECT_EQ(disks.Files(2), (Files{{Part(1), bytes_.substr(cap, cap)}}));
  EXPECT_EQ(disks.Files(3), (Files{{Part(2), bytes_.substr(2 * cap)}}));
  EXPECT_EQ(job_.PartCount, 3);
  EXPECT_EQ(job_.StoppedAtDisk, 0);
  // A progress step for each of the 48 blocks of 65,536 bytes that moves
  // the percentage, ending at 100.
  EXPECT_GE(run.percents.size(), 40u);
  EXPECT_LE(run.percents.size(), 48u);
  EXPECT_EQ(run.percents.back(), 100);
  if (disks.fake() != nullptr) {
    EXPECT_EQ(disks.fake()->flushes, 3); // one per part, before each prompt
  }
}

// The floppy's own numbers on disks of exactly its capacity.
TEST_P(SpanSplitTest, FloppySizedDisksGetTheFloppySizedParts) {
  if (GetParam() == DiskKind::Tmpfs) {
    GTEST_SKIP() << "tmpfs sizes are whole pages; the tmpfs case above covers real volumes";
  }
  SpanDisks& disks = Disks(3, kFloppyDiskBytes);
  disks.Insert(1);
  ScriptPrompts(*presenter_, disks, {{2, kIdOk}, {3, kIdOk}});
  Split(Source(3000000));
  EXPECT_EQ(disks.Files(1).at(Part(0)).size(), 1457664u);
  EXPECT_EQ(disks.Files(2).at(Part(1)).size(), 1457664u);
  EXPECT_EQ(disks.Files(3).at(Part(2)).size(), 84672u);
}

TEST_P(SpanSplitTest, ADiskHoldingFilesGetsAPartOfItsFreeSpace) {
  SpanDisks& disks = Disks(2);
  disks.Put(1, "notes.txt", std::string(100000, 'n'));
  disks.Insert(1);
  const std::int64_t free = disks.FreeInDrive();
  ASSERT_GT(free, 0);
  ScriptPrompts(*presenter_, disks, {{2, kIdOk}});
  Split(Source(1500000));
  disks.Eject();
  EXPECT_TRUE(job_.Succeeded()) << job_.ErrorText;
  EXPECT_EQ(disks.Files(1).at("notes.txt"), std::string(100000, 'n'));
  EXPECT_EQ(disks.Files(1).at(Part(0)), bytes_.substr(0, free));
  EXPECT_EQ(disks.Files(2).at(Part(1)), bytes_.substr(free));
}

TEST_P(SpanSplitTest, NoDiskAtTheStartAsksBeforeWritingAnything) {
  SpanDisks& disks = Disks(1);
  ScriptPrompts(*presenter_, disks, {{0, kIdOk}, {1, kIdOk}});
  Split(Source(1000));
  disks.Eject();
  EXPECT_TRUE(job_.Succeeded()) << job_.ErrorText;
  // OK without a disk brings the same prompt back.
  EXPECT_EQ(presenter_->Texts(), (std::vector<AnsiString>{kInsertDisk, kInsertDisk}));
  EXPECT_EQ(disks.Files(1), (std::map<std::string, std::string>{{Part(0), bytes_}}));
}

TEST_P(SpanSplitTest, CancelWithoutADiskWritesNothingAndIsNoSuccess) {
  SpanDisks& disks = Disks(1);
  ScriptPrompts(*presenter_, disks, {{0, kIdCancel}});
  const SpanRun run = Split(Source(1000));
  EXPECT_EQ(run.completions, 1);
  EXPECT_FALSE(job_.Succeeded());
  EXPECT_FALSE(job_.Cancelled);
  EXPECT_EQ(job_.StoppedAtDisk, 1);
  EXPECT_EQ(job_.ErrorText.rfind("Stopped by the user at disk #1", 0), 0u) << job_.ErrorText;
  EXPECT_TRUE(disks.Files(1).empty());
  EXPECT_TRUE(run.percents.empty());
}

TEST_P(SpanSplitTest, CancelAtTheSecondPromptKeepsTheCompleteFirstPart) {
  SpanDisks& disks = Disks(2);
  disks.Insert(1);
  ScriptPrompts(*presenter_, disks, {{-1, kIdCancel}});
  Split(Source(2000000));
  EXPECT_FALSE(job_.Succeeded());
  EXPECT_EQ(job_.StoppedAtDisk, 2);
  EXPECT_EQ(job_.PartCount, 1);
  EXPECT_EQ(job_.ErrorText, "Stopped by the user at disk #2 (parts written: 1)");
  EXPECT_EQ(disks.Files(1).at(Part(0)), bytes_.substr(0, disks.capacity()));
  EXPECT_TRUE(disks.Files(2).empty());
  // The source was closed: it opens without sharing again.
  EXPECT_NO_THROW(TWFileStream(dir_.WFile("vidéo de vacances.avi"), fmOpenRead));
}

// A stop asked for while a prompt shows (Ctrl+C) is a stop, not the user's
// answer: the job is Cancelled and says where.
TEST_P(SpanSplitTest, AStopDuringAPromptIsAStop) {
  SpanDisks& disks = Disks(1);
  presenter_->BeforeAnswer([this](size_t, const MessageRequest&) { job_.Terminate(); });
  presenter_->Answer({kIdCancel});
  Split(Source(1000));
  EXPECT_TRUE(job_.Cancelled);
  EXPECT_EQ(job_.StoppedAtDisk, 0);
  EXPECT_EQ(job_.ErrorText, "Stopped before the end at disk #1 (parts written: 0)");
  EXPECT_TRUE(disks.Files(1).empty());
}

TEST_P(SpanSplitTest, AnEmptySourceAsksNothingAndWritesNothing) {
  SpanDisks& disks = Disks(1);
  const SpanRun run = Split(Source(0));
  EXPECT_TRUE(job_.Succeeded()) << job_.ErrorText;
  EXPECT_EQ(run.completions, 1);
  EXPECT_TRUE(presenter_->Texts().empty());
  EXPECT_TRUE(disks.Files(1).empty());
  EXPECT_EQ(MinimalFloppyCount(0), 0);
}

TEST_P(SpanSplitTest, AMissingSourceIsAFailureWithoutAPrompt) {
  SpanDisks& disks = Disks(1);
  disks.Insert(1);
  Split(dir_.WFile("absent.bin"));
  disks.Eject();
  EXPECT_FALSE(job_.Succeeded());
  EXPECT_NE(job_.ErrorText.find("absent.bin"), std::string::npos);
  EXPECT_TRUE(presenter_->Texts().empty());
  EXPECT_TRUE(disks.Files(1).empty());
}

// A part that cannot be created (here a folder is in its way) ends the job
// and is reported, never "Done".
TEST_P(SpanSplitTest, APartThatCannotBeCreatedIsAFailure) {
  SpanDisks& disks = Disks(1);
  disks.Insert(1);
  std::filesystem::create_directory(disks.drive() / Part(0));
  Split(Source(1000));
  disks.Eject();
  EXPECT_FALSE(job_.Succeeded());
  EXPECT_EQ(job_.ErrorText.rfind("Cannot create", 0), 0u) << job_.ErrorText;
  EXPECT_NE(job_.ErrorText.find(Part(0)), std::string::npos) << job_.ErrorText;
}

INSTANTIATE_TEST_SUITE_P(Disks, SpanSplitTest, testing::Values(DiskKind::Fake, DiskKind::Tmpfs),
                         DiskKindName);

} // namespace
} // namespace vandrel::test
