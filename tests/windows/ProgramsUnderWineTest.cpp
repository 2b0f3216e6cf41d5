// The programs as a Windows user runs them: the version resource read by
// the system, the rebuild script run by cmd, vandrel-cli.exe end to end,
// and drive A: missing.

#include <gtest/gtest.h>

#include "windows/WindowsTestSupport.h"

#include <filesystem>
#include <memory>

#include "engine/U_RebuildScript.h"
#include "engine/U_SpanDrive.h"
#include "engine/U_SpanSplitThread.h"
#include "engine/U_SplitThread.h"
#include "platform/SystemInfo.h"
#include "platform/VersionInfo.h"
#include "shell/U_MsgDlg.h"
#include "shell/VersionResource.h"
#include "support/Hermetic.h"
#include "support/ScriptedMessagePresenter.h"

namespace vandrel {
namespace {

using test::TempDir;

TEST(VersionResourceTest, TheSystemReadsTheResourceThatWindresCompiledIntoTheProgram) {
  const WideString self = platform::RunningModuleFileName();
  const auto system = platform::SystemFileVersionInfo(self);
  ASSERT_TRUE(system.has_value());
  const auto resource = ReadVersionResource(self);
  ASSERT_TRUE(resource.has_value());
  EXPECT_EQ(QueryVersionString(*resource, "\\StringFileInfo\\040904B0\\ProductVersion"),
            VANDREL_VERSION_TEXT);
  EXPECT_EQ(QueryVersionString(*resource, "\\StringFileInfo\\040904B0\\ProductName"),
            VANDREL_PRODUCT_NAME);
  EXPECT_EQ(QueryVersionString(*resource, "\\StringFileInfo\\040904B0\\OriginalFilename"),
            "test_windows.exe");
  const auto fixed = QueryFixedFileInfo(*resource);
  ASSERT_TRUE(fixed.has_value());
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u); // 1.0
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u); // .0.1
  // Our own PE reader finds the very same block in the file.
  std::string image;
  {
    const std::string path = WideToUtf8(self);
    image = test::ReadFile(path);
  }
  const auto parsed = ExtractVersionResource(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(image.data()), image.size()));
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(*parsed, *resource);
}

TEST(VersionResourceTest, CommandLineToolPrintsTheVersionOfItsResource) {
  const test::ProcessResult run = test::RunProcess(L"\"" + test::CliProgram() + L"\" --version");
  EXPECT_EQ(run.exit_code, 0u) << run.output;
  EXPECT_EQ(run.output.substr(0, run.output.find('\r')),
            std::string("vandrel-cli (" VANDREL_PRODUCT_NAME ") " VANDREL_VERSION_TEXT));
}

class RebuildScriptUnderCmdTest : public testing::TestWithParam<const char*> {};

TEST_P(RebuildScriptUnderCmdTest, CmdRebuildsTheSourceByteForByte) {
  TempDir source_dir;
  TempDir parts_dir;
  const std::string name = GetParam();
  const std::string bytes = test::PatternBytes(70000, 7);
  test::WriteFile(source_dir.File(name), bytes);

  TSplitThread split;
  split.SourceFile = source_dir.WFile(name);
  split.OutputDir = parts_dir.WFile("");
  split.PartSize = 16384;
  test::RunJobToEnd(split);
  ASSERT_TRUE(split.Succeeded()) << split.ErrorText;
  ASSERT_EQ(split.PartCount, 5);
  ASSERT_TRUE(ScriptCanQuoteName(Utf8ToWide(name)));
  WriteRebuildScript(parts_dir.WFile(""), split.SourceFile, split.PartCount);

  const WideString script = Utf8ToWide(name + ".bat");
  const test::ProcessResult run = test::RunProcess(
      L"cmd.exe /c " + test::Quoted(script), std::filesystem::path(parts_dir.path()).wstring());
  EXPECT_EQ(run.exit_code, 0u) << run.output;
  ASSERT_TRUE(std::filesystem::exists(parts_dir.path() / test::PathFromUtf8(name))) << run.output;
  EXPECT_EQ(test::ReadFile(parts_dir.File(name)), bytes);
}

std::string ScriptCaseName(const testing::TestParamInfo<const char*>& info) {
  static const char* const labels[] = {"Plain", "Blanks", "Percent", "NonAscii"};
  return labels[info.index];
}

INSTANTIATE_TEST_SUITE_P(Names, RebuildScriptUnderCmdTest,
                         testing::Values("movie.avi", "my holiday movie.avi",
                                         "100% sure %PATH%.bin", "été à Noël.bin"),
                         ScriptCaseName);

TEST(CommandLineToolTest, SplitAndJoinRoundTripByteForByte) {
  TempDir dir;
  const std::string name = "vidéo de test.bin";
  const std::string bytes = test::PatternBytes(300000, 3);
  test::WriteFile(dir.File(name), bytes);
  const std::wstring cli = L"\"" + test::CliProgram() + L"\"";
  std::filesystem::create_directory(dir.path() / L"parts");
  std::filesystem::create_directory(dir.path() / L"joined");
  const WideString parts = Utf8ToWide(dir.File("parts"));
  const test::ProcessResult split =
      test::RunProcess(cli + L" split " + test::Quoted(dir.WFile(name)) + L" -o " +
                       test::Quoted(parts) + L" --size 100000 --quiet");
  ASSERT_EQ(split.exit_code, 0u) << split.output;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(test::ReadFile(dir.File("parts\\" + name + ".vd" + std::to_string(i))),
              bytes.substr(static_cast<size_t>(i) * 100000, 100000));
  }
  const test::ProcessResult join = test::RunProcess(
      cli + L" join " + test::Quoted(Utf8ToWide(dir.File("parts\\" + name + ".vd0"))) + L" -o " +
      test::Quoted(Utf8ToWide(dir.File("joined"))) + L" --quiet");
  ASSERT_EQ(join.exit_code, 0u) << join.output;
  EXPECT_EQ(test::ReadFile(dir.File("joined\\" + name)), bytes);
}

TEST(FloppyDriveTest, WithoutDriveAThereIsNoDriveAndTheSplitAsksForADisk) {
  EXPECT_FALSE(TSpanDrive().Exists());
  EXPECT_FALSE(TSpanDrive().DiskFolder().has_value());

  TempDir dir;
  test::WriteFile(dir.File("big.bin"), test::PatternBytes(2000));
  auto presenter = std::make_shared<test::ScriptedMessagePresenter>();
  presenter->Answer({kIdCancel});
  auto previous = SetMessagePresenter(presenter);
  TSpanSplitThread split;
  split.SourceFile = dir.WFile("big.bin");
  test::RunJobToEnd(split);
  SetMessagePresenter(previous);
  EXPECT_EQ(presenter->Texts(),
            (std::vector<AnsiString>{"Please insert a valid floppy disk into drive A:"}));
  EXPECT_EQ(split.StoppedAtDisk, 1);
  EXPECT_FALSE(split.Succeeded());

  const test::ProcessResult run = test::RunProcess(L"\"" + test::CliProgram() + L"\" span-split " +
                                                   test::Quoted(dir.WFile("big.bin")));
  EXPECT_EQ(run.exit_code, 2u) << run.output;
  EXPECT_NE(run.output.find("No floppy disk drive found."), std::string::npos) << run.output;
}

} // namespace
} // namespace vandrel
