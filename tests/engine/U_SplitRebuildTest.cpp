#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/MainThread.h"
#include "engine/U_RebuildThread.h"
#include "engine/U_SpannedFileStream.h"
#include "engine/U_SplitThread.h"
#include "platform/FileSystem.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct JobRun {
  std::vector<std::int32_t> percents;
  int completions = 0;
};

// Runs a job to its end the way a front end does: a GUI-thread pump, the
// progress step recorded, the completion counted.
JobRun RunJob(TCopyJob& job) {
  JobRun run;
  MainThreadQueue queue;
  queue.Install();
  job.OnShowProgress = [&] {
    EXPECT_TRUE(IsMainThread());
    run.percents.push_back(job.Percent);
  };
  job.OnTerminate = [&](TThread* sender) {
    EXPECT_EQ(sender, &job);
    ++run.completions;
  };
  job.Start();
  queue.ProcessUntil([&] { return job.Finished(); });
  job.WaitFor();
  SetMainThreadDispatcher(nullptr);
  return run;
}

std::vector<std::uintmax_t> PartSizes(const fs::path& dir, const std::string& name) {
  std::vector<std::uintmax_t> sizes;
  for (int i = 0; fs::exists(dir / (name + ".vd" + std::to_string(i))); ++i) {
    sizes.push_back(fs::file_size(dir / (name + ".vd" + std::to_string(i))));
  }
  return sizes;
}

struct SplitCase {
  const char* label;
  std::int64_t source_size;
  std::int64_t part_size;
  std::vector<std::uintmax_t> parts;
  std::vector<std::int32_t> percents;
};

class SplitCasesTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCasesTest, CutsTheSourceIntoItsPartSetAndJoinsBack) {
  const SplitCase& c = GetParam();
  TempDir dir;
  fs::create_directory(dir.path() / "parts");
  fs::create_directory(dir.path() / "joined");
  const std::string bytes = test::PatternBytes(static_cast<size_t>(c.source_size));
  test::WriteFile(dir.path() / "movie été.avi", bytes);

  TSplitThread split;
  split.SourceFile = dir.WFile("movie été.avi");
  split.OutputDir = dir.WFile("parts");
  split.PartSize = c.part_size;
  const JobRun run = RunJob(split);
  EXPECT_TRUE(split.Succeeded()) << split.ErrorText;
  EXPECT_EQ(run.completions, 1);
  EXPECT_EQ(PartSizes(dir.path() / "parts", "movie été.avi"), c.parts);
  EXPECT_EQ(split.PartCount, static_cast<std::int32_t>(c.parts.size()));
  if (!c.percents.empty()) {
    EXPECT_EQ(run.percents, c.percents);
  }
  if (c.parts.empty()) {
    return;
  }
  TRebuildThread rebuild;
  rebuild.FirstPart = dir.WFile("parts/movie été.avi.vd0");
  rebuild.OutputDir = dir.WFile("joined/");
  const JobRun rebuilt = RunJob(rebuild);
  EXPECT_TRUE(rebuild.Succeeded()) << rebuild.ErrorText;
  EXPECT_EQ(rebuilt.completions, 1);
  EXPECT_EQ(rebuild.PartCount, split.PartCount);
  EXPECT_EQ(test::ReadFile(dir.path() / "joined/movie été.avi"), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, SplitCasesTest,
    testing::Values(
        SplitCase{"ThreeFullAndARest", 1000, 300, {300, 300, 300, 100}, {30, 60, 90, 100}},
        SplitCase{"ExactMultiple", 900, 300, {300, 300, 300}, {33, 67, 100}},
        SplitCase{"PartAboveSource", 1000, 5000, {1000}, {100}},
        SplitCase{"EmptySourceWithZeroSize", 0, 0, {}, {}},
        SplitCase{"EmptySource", 0, 300, {}, {}},
        SplitCase{"OneByteParts", 5, 1, {1, 1, 1, 1, 1}, {20, 40, 60, 80, 100}},
        // Parts above the copy block take several blocks, one step each.
        SplitCase{"SeveralBlocksPerPart", 600000, 300000, {300000, 300000}, {44, 50, 94, 100}},
        SplitCase{"ElevenPartsReachVd10", 11, 1, std::vector<std::uintmax_t>(11, 1), {}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SplitThreadTest, OutputFolderWithOrWithoutSeparatorAndOverwritesOldParts) {
  TempDir dir;
  test::WriteFile(dir.path() / "a.bin", test::PatternBytes(10));
  test::WriteFile(dir.path() / "a.bin.vd2", std::string(50, 'x'));
  for (const std::string& out : {dir.File(""), dir.File("").substr(0, dir.File("").size() - 1)}) {
    TSplitThread split;
    split.SourceFile = dir.WFile("a.bin");
    split.OutputDir = W(out);
    split.PartSize = 4;
    RunJob(split);
    EXPECT_EQ(split.PartName(2), dir.WFile("a.bin.vd2"));
    EXPECT_EQ(PartSizes(dir.path(), "a.bin"), (std::vector<std::uintmax_t>{4, 4, 2}));
  }
}

TEST(SplitThreadTest, FailuresAreRecordedAndCompletionStillRuns) {
  TempDir dir;
  test::WriteFile(dir.path() / "src.bin", test::PatternBytes(1000));

  // Missing source: no part, an error, one completion.
  TSplitThread missing;
  missing.SourceFile = dir.WFile("absent.bin");
  missing.OutputDir = dir.WFile("");
  missing.PartSize = 10;
  EXPECT_EQ(RunJob(missing).completions, 1);
  EXPECT_EQ(missing.PartCount, 0);
  EXPECT_NE(missing.ErrorText.find("absent.bin"), std::string::npos);

  // Part size 0 on a non-empty source would never end: refused.
  TSplitThread zero;
  zero.SourceFile = dir.WFile("src.bin");
  zero.OutputDir = dir.WFile("");
  zero.PartSize = 0;
  RunJob(zero);
  EXPECT_FALSE(zero.Succeeded());
  EXPECT_FALSE(fs::exists(dir.path() / "src.bin.vd0"));

  // Output folder missing: the first part cannot be created.
  TSplitThread no_folder;
  no_folder.SourceFile = dir.WFile("src.bin");
  no_folder.OutputDir = dir.WFile("no such folder");
  no_folder.PartSize = 300;
  RunJob(no_folder);
  EXPECT_EQ(no_folder.ErrorText, "Cannot create " + dir.File("no such folder/src.bin.vd0") +
                                     ": No such file or directory");

  // A full disk during part 2: parts 0 and 1 complete, part 2 short.
  fs::create_directory(dir.path() / "full");
  fs::create_symlink("/dev/full", dir.path() / "full/src.bin.vd2");
  TSplitThread full;
  full.SourceFile = dir.WFile("src.bin");
  full.OutputDir = dir.WFile("full");
  full.PartSize = 300;
  const JobRun run = RunJob(full);
  EXPECT_EQ(run.completions, 1);
  EXPECT_EQ(full.PartCount, 2);
  EXPECT_EQ(fs::file_size(dir.path() / "full/src.bin.vd1"), 300u);
  EXPECT_EQ(full.ErrorText,
            "Cannot write " + dir.File("full/src.bin.vd2") + ": No space left on device");
}

// A real file-size limit in a child process: the write fails part way
// through a part, which stays on disk with what was copied.
TEST(SplitThreadTest, FileSizeLimitStopsThePartWhereTheDiskRefused) {
  TempDir dir;
  test::WriteFile(dir.path() / "src.bin", test::PatternBytes(3000));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const struct rlimit limit { 1500, 1500 };
    setrlimit(RLIMIT_FSIZE, &limit);
    TSplitThread split;
    split.SourceFile = dir.WFile("src.bin");
    split.OutputDir = dir.WFile("");
    split.PartSize = 2000;
    RunJob(split);
    std::ofstream(dir.path() / "result.txt") << split.PartCount << "\n" << split.ErrorText;
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(test::ReadFile(dir.path() / "result.txt"),
            "0\nCannot write " + dir.File("src.bin.vd0") + ": File too large");
  EXPECT_EQ(fs::file_size(dir.path() / "src.bin.vd0"), 1500u);
}

TEST(SplitThreadTest, TerminateStopsAtTheNextBlockNamingTheIncompletePart) {
  TempDir dir;
  test::WriteFile(dir.path() / "src.bin", test::PatternBytes(3 * 262144));
  TSplitThread split;
  split.SourceFile = dir.WFile("src.bin");
  split.OutputDir = dir.WFile("");
  split.PartSize = 3 * 262144;
  MainThreadQueue queue;
  queue.Install();
  int steps = 0;
  split.OnShowProgress = [&] {
    if (++steps == 1) {
      split.Terminate();
    }
  };
  split.Start();
  queue.ProcessUntil([&] { return split.Finished(); });
  split.WaitFor();
  SetMainThreadDispatcher(nullptr);
  EXPECT_EQ(steps, 1);
  EXPECT_TRUE(split.Cancelled);
  EXPECT_EQ(split.ErrorText,
            "Stopped before the end: " + dir.File("src.bin.vd0") + " is incomplete");
  EXPECT_EQ(fs::file_size(dir.path() / "src.bin.vd0"), 262144u);
}

TEST(RebuildNamesTest, DropsExactlyThePartNumber) {
  struct Case {
    const char* chosen;
    const char* rebuilt;
    const char* prefix;
  };
  for (const Case& c : {Case{"/p/movie.avi.vd0", "movie.avi", "/p/movie.avi.vd"},
                        Case{"/p/movie.avi.vd3", "movie.avi", "/p/movie.avi.vd"},
                        Case{"/p/movie.avi.vd12", "movie.avi", "/p/movie.avi.vd"},
                        Case{"/p/a.vd1.vd0", "a.vd1", "/p/a.vd1.vd"},
                        // Not a part name: the plain character counts.
                        Case{"/p/movie.abcd", "movie.", "/p/movie.abc"}, Case{"ab", "", "a"}}) {
    const RebuildNames names = DeriveRebuildNames(W(c.chosen));
    EXPECT_EQ(names.rebuilt_name, W(c.rebuilt)) << c.chosen;
    EXPECT_EQ(names.part_prefix, W(c.prefix)) << c.chosen;
  }
}

class RebuildThreadTest : public testing::Test {
protected:
  TempDir dir;
  void Parts(const std::vector<std::pair<int, std::string>>& parts) {
    for (const auto& [number, bytes] : parts) {
      test::WriteFile(dir.path() / ("movie.avi.vd" + std::to_string(number)), bytes);
    }
  }
  void Prepare(TRebuildThread& job, const std::string& chosen) {
    fs::create_directories(dir.path() / "out");
    job.FirstPart = dir.WFile(chosen);
    job.OutputDir = dir.WFile("out");
  }
};

TEST_F(RebuildThreadTest, JoinsFromVd0WhicheverPartWasChosen) {
  const std::string a = test::PatternBytes(300, 1), b = test::PatternBytes(300, 2),
                    c = test::PatternBytes(300, 3), d = test::PatternBytes(100, 4);
  Parts({{0, a}, {1, b}, {2, c}, {3, d}});
  fs::create_directory(dir.path() / "out");
  test::WriteFile(dir.path() / "out/movie.avi", "an older file that gets overwritten");
  for (const char* chosen : {"movie.avi.vd0", "movie.avi.vd3"}) {
    TRebuildThread job;
    job.FirstPart = dir.WFile(chosen);
    job.OutputDir = dir.WFile("out/");
    const JobRun run = RunJob(job);
    EXPECT_TRUE(job.Succeeded()) << job.ErrorText;
    EXPECT_EQ(job.PartCount, 4);
    EXPECT_EQ(run.percents, (std::vector<std::int32_t>{30, 60, 90, 100}));
    EXPECT_EQ(test::ReadFile(dir.path() / "out/movie.avi"), a + b + c + d);
  }
}

TEST_F(RebuildThreadTest, PartTwelveNamesTheSameSetAndOutput) {
  std::string whole;
  for (int i = 0; i <= 12; ++i) {
    const std::string bytes = test::PatternBytes(10, static_cast<unsigned>(i + 1));
    Parts({{i, bytes}});
    whole += bytes;
  }
  TRebuildThread job;
  job.FirstPart = dir.WFile("movie.avi.vd12");
  job.OutputDir = dir.WFile("");
  RunJob(job);
  EXPECT_TRUE(job.Succeeded()) << job.ErrorText;
  EXPECT_EQ(job.OutputFile(), dir.WFile("movie.avi"));
  EXPECT_EQ(test::ReadFile(dir.path() / "movie.avi"), whole);
}

// A damaged set is refused before the output is created, so an existing
// file of the output's name keeps its contents.
struct DamagedSet {
  const char* name;
  std::vector<std::pair<int, std::string>> parts;
  const char* expected; // with %s for the folder of the parts
};

class DamagedSetTest : public RebuildThreadTest, public testing::WithParamInterface<DamagedSet> {};

TEST_P(DamagedSetTest, IsRefusedBeforeAnythingIsWritten) {
  const DamagedSet& c = GetParam();
  Parts(c.parts);
  fs::create_directories(dir.path() / "out");
  test::WriteFile(dir.path() / "out/movie.avi", "precious");
  TRebuildThread job;
  Prepare(job, "movie.avi.vd0");
  EXPECT_EQ(RunJob(job).completions, 1);
  EXPECT_FALSE(job.Succeeded());
  EXPECT_EQ(job.ErrorText, FillPlaceholders(c.expected, {dir.File("")}));
  EXPECT_EQ(test::ReadFile(dir.path() / "out/movie.avi"), "precious");
}

INSTANTIATE_TEST_SUITE_P(
    Sets, DamagedSetTest,
    testing::Values(
        DamagedSet{"Gap", {{0, "aaa"}, {1, "bbb"}, {3, "ddd"}}, "Missing part %smovie.avi.vd2"},
        DamagedSet{"ShortMiddlePart",
                   {{0, "aaa"}, {1, "bb"}, {2, "c"}},
                   "Part %smovie.avi.vd1 holds 2 bytes instead of 3"},
        DamagedSet{"LongLastPart",
                   {{0, "aaa"}, {1, "bbbb"}},
                   "Part %smovie.avi.vd1 holds 4 bytes, more than the 3 bytes of the first part"},
        DamagedSet{
            "FarHigherPart", {{0, "aaa"}, {1, "bbb"}, {12, "x"}}, "Missing part %smovie.avi.vd2"}),
    [](const testing::TestParamInfo<DamagedSet>& info) { return info.param.name; });

TEST_F(RebuildThreadTest, NonRegularPartInTheSetIsDamage) {
  Parts({{0, "aaa"}, {2, "c"}});
  ASSERT_EQ(mkfifo((dir.path() / "movie.avi.vd1").c_str(), 0600), 0);
  TRebuildThread job;
  Prepare(job, "movie.avi.vd0");
  RunJob(job); // must not block on the FIFO
  EXPECT_EQ(job.ErrorText, dir.File("movie.avi.vd1") + " is not a regular file");
  EXPECT_FALSE(fs::exists(dir.path() / "out/movie.avi"));
}

TEST_F(RebuildThreadTest, FailedFlushOfTheOutputIsAFailure) {
  Parts({{0, "aaa"}, {1, "b"}});
  platform::SetFlushFailureForTesting(EIO);
  TRebuildThread job;
  Prepare(job, "movie.avi.vd0");
  RunJob(job);
  platform::SetFlushFailureForTesting(0);
  EXPECT_EQ(job.ErrorText.rfind("Cannot write " + dir.File("out/movie.avi") + ": ", 0), 0u)
      << job.ErrorText;
}

TEST_F(RebuildThreadTest, EmptyPartsGiveAnEmptyOutputWithoutProgress) {
  Parts({{0, ""}, {1, ""}});
  TRebuildThread job;
  Prepare(job, "movie.avi.vd0");
  const JobRun run = RunJob(job);
  EXPECT_TRUE(job.Succeeded()) << job.ErrorText;
  EXPECT_EQ(job.PartCount, 2);
  EXPECT_TRUE(run.percents.empty());
  EXPECT_EQ(job.Percent, 0);
  EXPECT_EQ(fs::file_size(dir.path() / "out/movie.avi"), 0u);
}

TEST_F(RebuildThreadTest, NoFirstPartCreatesNothingAndTruncatesNothing) {
  Parts({{1, "bbb"}});
  fs::create_directories(dir.path() / "out");
  test::WriteFile(dir.path() / "out/movie.avi", "precious");
  TRebuildThread job;
  Prepare(job, "movie.avi.vd1");
  EXPECT_EQ(RunJob(job).completions, 1);
  EXPECT_EQ(job.PartCount, 0);
  EXPECT_EQ(job.ErrorText, "Cannot open " + dir.File("movie.avi.vd0") + ": file not found");
  EXPECT_EQ(test::ReadFile(dir.path() / "out/movie.avi"), "precious");
}

TEST_F(RebuildThreadTest, PartHeldByAnotherOpenerStopsBeforeTheOutputExists) {
  Parts({{0, "aaa"}, {1, "bbb"}});
  TWFileStream holder(dir.WFile("movie.avi.vd1"), fmOpenRead);
  TRebuildThread job;
  Prepare(job, "movie.avi.vd0");
  RunJob(job);
  EXPECT_EQ(job.ErrorText.rfind("Cannot open " + dir.File("movie.avi.vd1"), 0), 0u)
      << job.ErrorText;
  EXPECT_FALSE(fs::exists(dir.path() / "out/movie.avi"));
}

TEST_F(RebuildThreadTest, FullOutputKeepsWhatWasWrittenAndSaysSo) {
  Parts({{0, "aaa"}});
  fs::create_directories(dir.path() / "out");
  fs::create_symlink("/dev/full", dir.path() / "out/movie.avi");
  TRebuildThread job;
  Prepare(job, "movie.avi.vd0");
  RunJob(job);
  EXPECT_EQ(job.ErrorText,
            "Cannot write " + dir.File("out/movie.avi") + ": No space left on device");
}

// Offsets past 4 GiB on a sparse source: only the marked bytes are data.
TEST(LargeFileTest, SplitsAndJoinsAFileAbove4GiB) {
  TempDir dir;
  const std::int64_t four_g = std::int64_t{1} << 32;
  const std::int64_t size = four_g + 1000;
  const std::vector<std::pair<std::int64_t, std::string>> marks = {
      {0, "start"}, {four_g - 3, "across"}, {size - 3, "end"}};
  {
    TWFileStream source(dir.WFile("big.img"), fmCreate);
    for (const auto& [offset, text] : marks) {
      source.SetPosition(offset);
      source.Write(text.data(), static_cast<std::int64_t>(text.size()));
    }
  }
  fs::create_directory(dir.path() / "parts");
  TSplitThread split;
  split.SourceFile = dir.WFile("big.img");
  split.OutputDir = dir.WFile("parts");
  split.PartSize = four_g - 1;
  RunJob(split);
  ASSERT_TRUE(split.Succeeded()) << split.ErrorText;
  EXPECT_EQ(PartSizes(dir.path() / "parts", "big.img"),
            (std::vector<std::uintmax_t>{static_cast<std::uintmax_t>(four_g - 1), 1001}));
  fs::remove(dir.path() / "big.img");

  TRebuildThread rebuild;
  rebuild.FirstPart = dir.WFile("parts/big.img.vd0");
  rebuild.OutputDir = dir.WFile("");
  RunJob(rebuild);
  ASSERT_TRUE(rebuild.Succeeded()) << rebuild.ErrorText;
  fs::remove_all(dir.path() / "parts");
  TWFileStream joined(dir.WFile("big.img"), fmOpenRead);
  EXPECT_EQ(joined.Size(), size);
  for (const auto& [offset, text] : marks) {
    std::string back(text.size(), '\0');
    joined.SetPosition(offset);
    joined.Read(back.data(), static_cast<std::int64_t>(back.size()));
    EXPECT_EQ(back, text) << offset;
  }
}

TEST(CopyJobTest, AnExceptionThatEndsTheJobIsItsFailure) {
  TempDir dir;
  test::WriteFile(dir.path() / "a.bin", test::PatternBytes(1000));
  TSplitThread split;
  split.SourceFile = dir.WFile("a.bin");
  split.OutputDir = dir.WFile("");
  split.PartSize = 300;
  MainThreadQueue queue;
  queue.Install();
  split.OnShowProgress = [] { throw std::runtime_error("the progress step failed"); };
  std::string seen;
  split.OnTerminate = [&](TThread*) { seen = split.ErrorText; };
  split.Start();
  queue.ProcessUntil([&] { return split.Finished(); });
  split.WaitFor();
  SetMainThreadDispatcher(nullptr);
  EXPECT_FALSE(split.Succeeded());
  EXPECT_EQ(seen, "Unexpected error: the progress step failed") << "known to the completion";
}

TEST(CopyJobTest, ProgressStepsFollowTheShownPercentageNotEveryBlock) {
  TempDir dir;
  // 400 blocks of 256 KiB: one step per percent, plus a few refreshes.
  const std::int64_t size = 400 * CopyChunk;
  {
    std::ofstream out(dir.path() / "big.bin", std::ios::binary);
    out.seekp(size - 1);
    out.put('x');
  }
  fs::create_directory(dir.path() / "out");
  TSplitThread split;
  split.SourceFile = dir.WFile("big.bin");
  split.OutputDir = dir.WFile("out");
  split.PartSize = size;
  const JobRun run = RunJob(split);
  ASSERT_TRUE(split.Succeeded()) << split.ErrorText;
  EXPECT_GE(run.percents.size(), 100u);
  EXPECT_LT(run.percents.size(), 200u);
  EXPECT_EQ(run.percents.back(), 100);
}

} // namespace
} // namespace vandrel
