#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "engine/U_SpannedFileStream.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

using test::TempDir;

std::optional<std::string> OpenError(const WideString& name, std::uint16_t mode) {
  try {
    TWFileStream stream(name, mode);
    return std::nullopt;
  } catch (const EStreamError& error) {
    return error.Message();
  }
}

struct ShareCase {
  std::uint16_t first;
  std::uint16_t second;
  bool second_allowed;
};

class SharingTest : public testing::TestWithParam<ShareCase> {};

// The first stream stays open while the second opener tries.
TEST_P(SharingTest, SecondOpenerIsRefusedExactlyWhenSharingForbidsIt) {
  const ShareCase& c = GetParam();
  TempDir dir;
  test::WriteFile(dir.path() / "shared.bin", "0123456789");
  const WideString name = dir.WFile("shared.bin");
  TWFileStream first(name, c.first);
  const auto error = OpenError(name, c.second);
  EXPECT_EQ(!error.has_value(), c.second_allowed)
      << std::hex << "first 0x" << c.first << " second 0x" << c.second;
  if (error) {
    EXPECT_EQ(*error, (c.second == fmCreate ? "Impossible de créer le fichier "
                                            : "Impossible d'ouvrir le fichier ") +
                          WideToUtf8(name));
  }
  // A refused create must not have emptied the file.
  const bool emptied = c.first == fmCreate || (c.second_allowed && c.second == fmCreate);
  EXPECT_EQ(test::ReadFile(dir.path() / "shared.bin").size(), emptied ? 0u : 10u);
}

INSTANTIATE_TEST_SUITE_P(Modes, SharingTest,
                         testing::Values(
                             // read, no sharing: keeps every other opener out
                             ShareCase{fmOpenRead, fmOpenRead, false},
                             ShareCase{fmOpenRead, fmShareDenyNone, false},
                             ShareCase{fmOpenRead, fmCreate, false},
                             // read, others may read and write
                             ShareCase{fmShareDenyNone, fmShareDenyNone, true},
                             ShareCase{fmShareDenyNone, fmShareDenyNone | fmOpenReadWrite, true},
                             ShareCase{fmShareDenyNone, fmOpenRead, false},
                             ShareCase{fmShareDenyNone, fmCreate, false},
                             // deny write: a reader that lets others read may come in, a writer not
                             ShareCase{fmShareDenyWrite, fmShareDenyNone, true},
                             ShareCase{fmShareDenyWrite, fmShareDenyNone | fmOpenWrite, false},
                             // create holds the file exclusively
                             ShareCase{fmCreate, fmShareDenyNone, false}));

TEST(TWFileStreamTest, ClosingReleasesTheFile) {
  TempDir dir;
  const WideString name = dir.WFile("once.bin");
  { TWFileStream created(name, fmCreate); }
  { TWFileStream exclusive(name, fmOpenRead); }
  EXPECT_FALSE(OpenError(name, fmOpenRead).has_value());
}

TEST(TWFileStreamTest, CreateTruncatesAndFailuresRaiseTheirErrors) {
  TempDir dir;
  test::WriteFile(dir.path() / "old.bin", "old contents");
  { TWFileStream stream(dir.WFile("old.bin"), fmCreate); }
  EXPECT_EQ(std::filesystem::file_size(dir.path() / "old.bin"), 0u);

  EXPECT_EQ(OpenError(dir.WFile("absent.bin"), fmOpenRead),
            "Impossible d'ouvrir le fichier " + dir.File("absent.bin"));
  EXPECT_EQ(OpenError(dir.WFile("no folder/x.bin"), fmCreate),
            "Impossible de créer le fichier " + dir.File("no folder/x.bin"));
  EXPECT_TRUE(OpenError(dir.WFile(""), fmOpenRead).has_value()) << "a folder is not a file";
  EXPECT_THROW(TWFileStream(dir.WFile("old.bin"), fmOpenRead, 1), EAssertionFailed);
}

TEST(TWFileStreamTest, ReadWriteSeekAndSetSizeUse64BitOffsets) {
  TempDir dir;
  TWFileStream stream(dir.WFile("big.bin"), fmCreate);
  const std::int64_t beyond_4g = (std::int64_t{1} << 32) + 7;
  EXPECT_EQ(stream.Seek(beyond_4g, TWFileStream::Origin::soBeginning), beyond_4g);
  EXPECT_EQ(stream.Write("xyz", 3), 3);
  EXPECT_EQ(stream.Size(), beyond_4g + 3);
  EXPECT_EQ(stream.Position(), beyond_4g + 3);
  stream.SetPosition(beyond_4g);
  char back[3];
  EXPECT_EQ(stream.Read(back, 3), 3);
  EXPECT_EQ(std::string(back, 3), "xyz");
  stream.SetSize(10);
  EXPECT_EQ(stream.Size(), 10);
}

TEST(TWFileStreamTest, CopyFromCopiesExactlyAndReportsEachSide) {
  TempDir dir;
  const std::string bytes = test::PatternBytes(700000);
  test::WriteFile(dir.path() / "source.bin", bytes);
  TWFileStream source(dir.WFile("source.bin"), fmShareDenyNone);
  {
    TWFileStream target(dir.WFile("copy.bin"), fmCreate);
    source.SetPosition(100);
    EXPECT_EQ(target.CopyFrom(source, 300000), 300000);
    EXPECT_EQ(source.Position(), 300100);
    EXPECT_EQ(target.CopyFrom(source, 0), 700000) << "0 copies the whole source";
  }
  EXPECT_EQ(test::ReadFile(dir.path() / "copy.bin"), bytes.substr(100, 300000) + bytes);

  // Asking for more than is left is a read error naming the source.
  TWFileStream short_target(dir.WFile("short.bin"), fmCreate);
  source.SetPosition(699990);
  try {
    short_target.CopyFrom(source, 20);
    FAIL() << "expected a read error";
  } catch (const EReadError& error) {
    EXPECT_EQ(error.FileName(), dir.WFile("source.bin"));
  }

  // A full device is a write error naming the target, with the system's reason.
  std::filesystem::create_symlink("/dev/full", dir.path() / "full");
  TWFileStream full(dir.WFile("full"), fmCreate);
  source.SetPosition(0);
  try {
    full.CopyFrom(source, 1000);
    FAIL() << "expected a write error";
  } catch (const EWriteError& error) {
    EXPECT_EQ(error.FileName(), dir.WFile("full"));
    EXPECT_EQ(error.Reason(), "No space left on device");
  }
}

} // namespace
} // namespace vandrel
