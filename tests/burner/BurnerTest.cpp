// The companion burner: its command line, its output parsing, and the
// program end to end on ISO images with the real xorriso, read back with
// xorriso's own extraction.

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "burner/BurnerCore.h"
#include "platform/NamedLock.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "shell/U_BurnHandOff.h"
#include "support/Hermetic.h"
#include "support/ProgramRun.h"
#include "support/ScopedEnvironment.h"

namespace vandrel::burner {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

using Outcome = test::ProgramOutcome;

Outcome RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
  return test::RunProgram(program, arguments, /*search_path=*/true);
}

Outcome Burner(const std::vector<std::string>& arguments) {
  return RunProgram(VANDREL_BURNER_PATH, arguments);
}

// The file /name of an image, extracted by xorriso into folder.
std::string Extract(const fs::path& image, const std::string& name, const fs::path& folder) {
  const fs::path out = folder / "extracted";
  fs::remove(out);
  const Outcome x =
      RunProgram("xorriso", {"-no_rc", "-osirrox", "on", "-indev", "stdio:" + image.string(),
                             "-extract", "/" + name, out.string(), "-end"});
  EXPECT_EQ(x.status, 0) << x.output;
  return fs::exists(out) ? test::ReadFile(out) : std::string("<not extracted>");
}

class BurnerTest : public testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(dir.path() / "images");
    fs::create_directories(dir.path() / "parts");
  }
  void TearDown() override {
    platform::DeleteRegistryKeyTree(platform::RegistryRoot::CurrentUser, kBurnerSettingsKey);
  }
  std::string Project(const std::string& part, const std::string& name = "project.qvb") {
    const std::string file = dir.File(name);
    test::WriteFile(file, EncodeProjectFile(DecodeNativeName(part)));
    return file;
  }
  std::string Images() const { return dir.File("images"); }
  TempDir dir;
};

TEST_F(BurnerTest, APartIsWrittenIntoItsOwnImageAndReadsBackByteForByte) {
  const std::string name = "film d'été 2.avi.vd0";
  const std::string part = dir.File("parts/" + name);
  const std::string bytes = test::PatternBytes(700000, 7);
  test::WriteFile(part, bytes);
  const Outcome burn =
      Burner({"/datafl", Project(part), "--target", "image:" + Images(), "--no-window"});
  ASSERT_EQ(burn.status, kExitWritten) << burn.output;
  EXPECT_NE(burn.output.find("Writing..."), std::string::npos) << burn.output;
  EXPECT_NE(burn.output.find("Verifying..."), std::string::npos) << burn.output;
  const fs::path image = dir.path() / "images" / (name + ".iso");
  ASSERT_TRUE(fs::exists(image));
  EXPECT_EQ(Extract(image, name, dir.path()), bytes);
  // Nothing else is left in the folder (no half-written image).
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "images"), fs::directory_iterator()),
            1);
  // Burning again replaces the image instead of adding a session to it.
  test::WriteFile(part, "second");
  ASSERT_EQ(
      Burner({"/datafl", Project(part), "--target", "image:" + Images(), "--no-window"}).status,
      kExitWritten);
  EXPECT_EQ(Extract(image, name, dir.path()), "second");
}

TEST_F(BurnerTest, APartThatIsASymbolicLinkGoesOnTheDiscAsTheDataItNames) {
  const std::string data = dir.File("data.bin");
  test::WriteFile(data, "the data");
  const std::string part = dir.File("parts/linked.vd0");
  fs::create_symlink(data, part);
  ASSERT_EQ(
      Burner({"/datafl", Project(part), "--target", "image:" + Images(), "--no-window"}).status,
      kExitWritten);
  EXPECT_EQ(Extract(dir.path() / "images" / "linked.vd0.iso", "linked.vd0", dir.path()),
            "the data");
}

TEST_F(BurnerTest, TheStoredTargetServesEveryRunAndWithoutADisplayThereIsNoWindow) {
  test::ScopedEnvironment no_x("DISPLAY", std::nullopt);
  test::ScopedEnvironment no_wayland("WAYLAND_DISPLAY", std::nullopt);
  // A relative folder is stored by its full name.
  {
    std::error_code ec;
    auto relative =
        platform::Process::Start("/bin/sh",
                                 {"-c", "cd \"$0\" && exec \"$1\" --set-target image:images/",
                                  dir.path().string(), VANDREL_BURNER_PATH},
                                 {}, ec);
    ASSERT_NE(relative, nullptr);
    ASSERT_EQ(relative->Wait(), kExitWritten);
  }
  EXPECT_EQ(ReadTargetSetting(), "image:" + Images());
  const Outcome shown = Burner({"--show-target"});
  EXPECT_EQ(shown.output, "image:" + Images() + "\n");
  const std::string part = dir.File("parts/p.vd1");
  test::WriteFile(part, "abc");
  const Outcome burn = Burner({"/datafl", Project(part)});
  ASSERT_EQ(burn.status, kExitWritten) << burn.output;
  EXPECT_EQ(Extract(dir.path() / "images" / "p.vd1.iso", "p.vd1", dir.path()), "abc");
}

TEST_F(BurnerTest, APartLargerThanTheMediumIsRefusedBeforeAnythingIsWritten) {
  const std::string part = dir.File("parts/big.vd0");
  test::WriteFile(part, test::PatternBytes(3 * 1024 * 1024));
  const Outcome burn = Burner({"/datafl", Project(part), "--target", "image:" + Images(),
                               "--medium-size", "1m", "--no-window"});
  EXPECT_EQ(burn.status, kExitFailed);
  EXPECT_NE(burn.output.find("Cannot burn " + part + " on " + Images() + "/big.vd0.iso: it needs"),
            std::string::npos)
      << burn.output;
  EXPECT_NE(burn.output.find("room for 1048576 bytes"), std::string::npos) << burn.output;
  EXPECT_TRUE(fs::is_empty(dir.path() / "images"));
}

TEST_F(BurnerTest, BadProjectsTargetsAndUsageAreRefusedNamingWhatIsWrong) {
  const std::string part = dir.File("parts/p.vd0");
  test::WriteFile(part, "abc");
  struct Case {
    std::string project_bytes; // empty: no project file
    std::vector<std::string> extra;
    int status;
    std::string message;
  };
  const std::string project = dir.File("bad.qvb");
  const std::string utf16_two_lines = EncodeProjectFile(W(part + "\n" + part));
  const Case cases[] = {
      {part,
       {},
       kExitFailed,
       "The project file " + project + " cannot be used: " + kProjectNoByteOrderMark},
      {utf16_two_lines, {}, kExitFailed, kProjectManyLines},
      {"\xFF\xFE", {}, kExitFailed, kProjectEmpty},
      {"", {}, kExitFailed, "Cannot read the project file " + project},
      {EncodeProjectFile(W(dir.File("parts/none.vd0"))),
       {},
       kExitFailed,
       "Cannot burn " + dir.File("parts/none.vd0") + ": it is not a regular file"},
      {EncodeProjectFile(W(part)),
       {"--target", "image:" + dir.File("no folder")},
       kExitFailed,
       "the folder " + dir.File("no folder") + " does not exist"},
      {EncodeProjectFile(W(part)), {"--target", "image:"}, kExitUsage, "image: needs a folder"},
      {EncodeProjectFile(W(part)),
       {"--target", dir.File("no drive")},
       kExitFailed,
       "Cannot burn " + part + ": " + dir.File("no drive") + " is not an optical drive"},
      {EncodeProjectFile(W(part)), {"--medium-size", "lots"}, kExitUsage, "cannot read the size"},
      {EncodeProjectFile(W(part)), {"--frobnicate"}, kExitUsage, "unexpected argument"},
  };
  for (const Case& c : cases) {
    fs::remove(project);
    if (!c.project_bytes.empty()) {
      test::WriteFile(project, c.project_bytes);
    }
    std::vector<std::string> arguments = {"/datafl", project, "--no-window", "--target",
                                          "image:" + Images()};
    arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
    const Outcome outcome = Burner(arguments);
    EXPECT_EQ(outcome.status, c.status) << c.message << "\n" << outcome.output;
    EXPECT_NE(outcome.output.find(c.message), std::string::npos) << outcome.output;
    EXPECT_TRUE(fs::is_empty(dir.path() / "images")) << c.message;
  }
  EXPECT_FALSE(fs::exists(dir.path() / "no drive"));
  EXPECT_EQ(Burner({}).status, kExitUsage);
  EXPECT_EQ(Burner({"/datafl"}).status, kExitUsage);
}

TEST_F(BurnerTest, WithoutADriveHoldingAWritableDiscTheAutomaticTargetFails) {
  if (fs::exists("/dev/sr0")) {
    GTEST_SKIP() << "this machine has an optical drive";
  }
  const std::string part = dir.File("parts/p.vd0");
  test::WriteFile(part, "abc");
  const Outcome burn = Burner({"/datafl", Project(part), "--target", "", "--no-window"});
  EXPECT_EQ(burn.status, kExitFailed);
  EXPECT_NE(burn.output.find("Cannot burn " + part + ": no optical drive holds a writable disc"),
            std::string::npos)
      << burn.output;
}

TEST_F(BurnerTest, TheLockIsHeldWhileItRunsAndASecondBurnerIsRefused) {
  // An xorriso that waits for the test keeps the burner running.
  const fs::path bin = dir.path() / "bin";
  fs::create_directories(bin);
  const std::string release = dir.File("release");
  test::WriteFile(bin / "xorriso",
                  "#!/bin/sh\nwhile [ ! -e '" + release + "' ]; do sleep 0.02; done\nexit 1\n");
  fs::permissions(bin / "xorriso", fs::perms::owner_all);
  const std::string part = dir.File("parts/p.vd0");
  test::WriteFile(part, "abc");
  std::error_code ec;
  std::unique_ptr<platform::Process> burner;
  {
    test::ScopedEnvironment path("PATH", bin.string() + ":/usr/bin:/bin");
    burner = platform::Process::Start(
        VANDREL_BURNER_PATH,
        {"/datafl", Project(part), "--target", "image:" + Images(), "--no-window"}, {true, true},
        ec);
  }
  ASSERT_NE(burner, nullptr);
  while (!IsBurnerRunning() && !burner->HasExited()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(IsBurnerRunning());
  const Outcome second = Burner({"/datafl", Project(part, "other.qvb"), "--no-window"});
  EXPECT_EQ(second.status, kExitFailed);
  EXPECT_NE(second.output.find("Another burner is running (" +
                               platform::NamedLockLocation(kBurnerLockName) + ")."),
            std::string::npos)
      << second.output;
  test::WriteFile(release, "");
  const Outcome first = test::FinishProgram(*burner);
  EXPECT_EQ(first.status, kExitFailed) << first.output;
  EXPECT_NE(first.output.find("Cannot burn " + part + " on "), std::string::npos) << first.output;
  EXPECT_FALSE(IsBurnerRunning());
  EXPECT_TRUE(fs::is_empty(dir.path() / "images"));
}

TEST(BurnerParsingTest, ProgressAndBlockCountsAreReadFromXorrisosOutput) {
  struct Case {
    const char* line;
    std::optional<int> percent;
  };
  for (const Case& c : {
           Case{"xorriso : UPDATE : Writing:      31728s   32.4%   fifo   0%  buf  50%", 32},
           Case{"xorriso : UPDATE : Writing:       2528s    2.6%   fifo   0%", 2},
           Case{"xorriso : UPDATE :       1 files added in 1 seconds", std::nullopt},
           Case{"Media summary: 0 sessions, 0 data blocks, 0 data, 78.5g free", std::nullopt},
       }) {
    EXPECT_EQ(ParseXorrisoPercent(c.line), c.percent) << c.line;
  }
  const std::string output = "Image size   : 384s\nMedia space  : 41132286s\n";
  EXPECT_EQ(ParseXorrisoBlocks(output, "Image size   :"), 384);
  EXPECT_EQ(ParseXorrisoBlocks(output, "Media space  :"), 41132286);
  EXPECT_EQ(ParseXorrisoBlocks(output, "After commit :"), std::nullopt);
}

// A sparse part above 4 GiB: level 3 keeps it in one file. The image takes
// 4.3 GiB of disk, so the check is xorriso's MD5 of the data read back.
TEST(LargeFileTest, APartAbove4GiBIsBurnedAndChecked) {
  TempDir dir;
  const std::string part = dir.File("huge.vd0");
  {
    std::FILE* file = std::fopen(part.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("start", file);
    ASSERT_EQ(fseeko(file, (4LL << 30) + 12345, SEEK_SET), 0);
    std::fputs("end", file);
    std::fclose(file);
  }
  const std::string project = dir.File("p.qvb");
  test::WriteFile(project, EncodeProjectFile(W(part)));
  fs::create_directories(dir.path() / "images");
  const Outcome burn =
      Burner({"/datafl", project, "--target", "image:" + dir.File("images"), "--no-window"});
  ASSERT_EQ(burn.status, kExitWritten) << burn.output;
  const Outcome check = RunProgram("xorriso", {"-no_rc", "-md5", "on", "-indev",
                                               "stdio:" + dir.File("images/huge.vd0.iso"),
                                               "-check_md5", "FAILURE", "/huge.vd0", "--", "-end"});
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_NE(check.output.find("md5 match   : '/huge.vd0'"), std::string::npos) << check.output;
}

} // namespace
} // namespace vandrel::burner
