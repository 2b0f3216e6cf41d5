// The disk-span rebuild job on swapped disks: real tmpfs volumes when root,
// the fake volumes seam otherwise.

#include <gtest/gtest.h>

#include <numeric>

#include "engine/U_SpanRebuildThread.h"
#include "support/SpanDisks.h"

namespace vandrel::test {
namespace {

const char* const kLastDisk = "Please insert the last disk of the set and press \"Ok\".";

std::string DiskPrompt(int disk) {
  return "Please insert the disk #" + std::to_string(disk) + " of the set and press \"Ok\".";
}

class SpanRebuildTest : public testing::TestWithParam<DiskKind> {
protected:
  void SetUp() override {
    if (const std::string why = SpanDisks::Unavailable(GetParam()); !why.empty()) {
      GTEST_SKIP() << why;
    }
    std::filesystem::create_directories(dir_.path() / "out");
  }
  /// A set of one part per disk, of the given sizes, named after "pièce [1]*?.bin".
  SpanDisks& Series(std::vector<size_t> sizes) {
    disks_ =
        std::make_unique<SpanDisks>(GetParam(), static_cast<int>(sizes.size()), kTmpfsDiskBytes);
    size_t at = 0;
    content_ = PatternBytes(std::accumulate(sizes.begin(), sizes.end(), size_t{0}));
    for (size_t i = 0; i < sizes.size(); ++i) {
      disks_->Put(static_cast<int>(i) + 1, kBase + ".vd" + std::to_string(i),
                  content_.substr(at, sizes[i]));
      at += sizes[i];
    }
    return *disks_;
  }
  SpanRun Rebuild() {
    job_.BaseName = W(kBase);
    job_.OutputDir = dir_.WFile("out");
    job_.Drive = disks_->Drive();
    SpanRun run = RunSpanJob(job_);
    disks_->Eject();
    return run;
  }
  std::filesystem::path Output() const { return dir_.path() / "out" / kBase; }

  // Wildcard and escape characters are plain letters in a Linux name.
  const std::string kBase = "pièce [1]*?\\.bin";
  ScopedMessagePresenter presenter_;
  TempDir dir_;
  std::unique_ptr<SpanDisks> disks_;
  TSpanRebuildThread job_;
  std::string content_;
};

TEST_P(SpanRebuildTest, AsksForTheLastDiskThenEveryDiskInOrder) {
  SpanDisks& disks = Series({150000, 150000, 20000});
  WriteFile(Output(), std::string(500000, 'o')); // overwritten
  ScriptPrompts(*presenter_, disks, {{3, kIdOk}, {1, kIdOk}, {2, kIdOk}, {3, kIdOk}});
  const SpanRun run = Rebuild();
  EXPECT_TRUE(job_.Succeeded()) << job_.ErrorText;
  EXPECT_EQ(run.completions, 1);
  EXPECT_EQ(presenter_->Texts(),
            (std::vector<AnsiString>{kLastDisk, DiskPrompt(1), DiskPrompt(2), DiskPrompt(3)}));
  EXPECT_EQ(ReadFile(Output()), content_);
  EXPECT_EQ(job_.LastDisk, 2);
  EXPECT_EQ(job_.PartCount, 3);
  EXPECT_EQ(job_.StoppedAtDisk, -1);
}

TEST_P(SpanRebuildTest, AOneDiskSetIsConfirmedTwice) {
  SpanDisks& disks = Series({1000});
  disks.Insert(1);
  ScriptPrompts(*presenter_, disks, {{0, kIdOk}, {0, kIdOk}});
  Rebuild();
  EXPECT_TRUE(job_.Succeeded()) << job_.ErrorText;
  EXPECT_EQ(presenter_->Texts(), (std::vector<AnsiString>{kLastDisk, DiskPrompt(1)}));
  EXPECT_EQ(ReadFile(Output()), content_);
}

TEST_P(SpanRebuildTest, TheWrongDiskOrNoDiskBringsThePromptBack) {
  SpanDisks& disks = Series({1000, 1000});
  ScriptPrompts(*presenter_, disks,
                {{0, kIdOk}, {2, kIdOk}, {2, kIdOk}, {-1, kIdOk}, {1, kIdOk}, {2, kIdOk}});
  Rebuild();
  EXPECT_TRUE(job_.Succeeded()) << job_.ErrorText;
  EXPECT_EQ(presenter_->Texts(),
            (std::vector<AnsiString>{kLastDisk, kLastDisk, DiskPrompt(1), DiskPrompt(1),
                                     DiskPrompt(1), DiskPrompt(2)}));
  EXPECT_EQ(ReadFile(Output()), content_);
}

TEST_P(SpanRebuildTest, ProgressCountsTheFinishedDisksAndTheCurrentPart) {
  SpanDisks& disks = Series({131072, 131072, 131072});
  ScriptPrompts(*presenter_, disks, {{3, kIdOk}, {1, kIdOk}, {2, kIdOk}, {3, kIdOk}});
  const SpanRun run = Rebuild();
  // Halfway through the second of three disks: round((0.5 + 1) / 3 * 100).
  EXPECT_EQ(run.percents, (std::vector<std::int32_t>{17, 33, 50, 67, 83, 100}));
}

TEST_P(SpanRebuildTest, CancelAtTheSecondDiskKeepsExactlyTheFirstPart) {
  SpanDisks& disks = Series({70000, 70000, 70000});
  ScriptPrompts(*presenter_, disks, {{3, kIdOk}, {1, kIdOk}, {-1, kIdCancel}});
  const SpanRun run = Rebuild();
  EXPECT_EQ(run.completions, 1);
  EXPECT_FALSE(job_.Succeeded());
  EXPECT_FALSE(job_.Cancelled);
  EXPECT_EQ(job_.StoppedAtDisk, 2);
  EXPECT_EQ(ReadFile(Output()), content_.substr(0, 70000));
  EXPECT_EQ(job_.ErrorText, "Stopped by the user at disk #2: " + Output().string() +
                                " is incomplete (parts joined: 1)");
}

TEST_P(SpanRebuildTest, CancelAtTheFirstPromptCreatesNothing) {
  Series({1000});
  WriteFile(Output(), "an older file");
  ScriptPrompts(*presenter_, *disks_, {{1, kIdCancel}});
  Rebuild();
  EXPECT_FALSE(job_.Succeeded());
  EXPECT_EQ(job_.StoppedAtDisk, 0);
  EXPECT_EQ(ReadFile(Output()), "an older file");
}

TEST_P(SpanRebuildTest, AnUnreadablePartNumberIsAFailure) {
  disks_ = std::make_unique<SpanDisks>(GetParam(), 1, kTmpfsDiskBytes);
  disks_->Put(1, kBase + ".vdx", "not a part");
  ScriptPrompts(*presenter_, *disks_, {{1, kIdOk}});
  Rebuild();
  EXPECT_FALSE(job_.Succeeded());
  EXPECT_EQ(job_.ErrorText.rfind("Cannot read the disk number of ", 0), 0u) << job_.ErrorText;
  EXPECT_FALSE(std::filesystem::exists(Output()));
}

INSTANTIATE_TEST_SUITE_P(Disks, SpanRebuildTest, testing::Values(DiskKind::Fake, DiskKind::Tmpfs),
                         DiskKindName);

} // namespace
} // namespace vandrel::test
