#include <gtest/gtest.h>

#include <filesystem>

#include "shell/C_VersionInfo.h"
#include "shell/ImageFixtures.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

std::string AsString(const test::Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::uint32_t Packed(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  return (a << 24) | (b << 16) | (c << 10) | d;
}

TEST(C_VersionInfoTest, PackVersionKeepsFourNumbersInTheirFields) {
  const std::pair<const char*, std::uint32_t> cases[] = {
      {"1.0.0.12", 0x0100000C},
      {"2.7.0.153", 0x02070099},
      {"1.2.3.4.5", Packed(1, 2, 3, 4)},
      {"1.2.70.4", Packed(1, 2, 6, 4)}, // 70 keeps its low 6 bits
      {"300.1.1.1", Packed(44, 1, 1, 1)},
      {"1.2.3.4 beta", Packed(1, 2, 3, 4)},
      {"1,2,3,4", Packed(1, 2, 3, 4)},
      {"1..3", Packed(1, 0, 3, 0)},
      {"99999999999.5", Packed(0, 5, 0, 0)}, // beyond 32 bits reads as 0
      {"", 0},
      {"beta", 0},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(PackVersion(text), expected) << text;
  }
}

TEST(C_VersionInfoTest, VersionToFloatReadsVersionTexts) {
  const std::pair<const char*, double> cases[] = {
      {"", 0},     {"1.5", 1.5}, {"1.2.3.4", 1.234}, {"1,5", 1.5},           {"1.0 build 7", 1.07},
      {"2.", 2.0}, {"v2", 2.0},  {"abc", 0},         {"4.12.0.33", 4.12033}, {"1-2", 0},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_DOUBLE_EQ(VersionToFloat(text), expected) << text;
  }
}

class VersionInfoFileTest : public testing::Test {
protected:
  std::string Write(const std::string& name, const test::Bytes& image) {
    test::WriteFile(dir_.File(name), AsString(image));
    return dir_.File(name);
  }
  test::TempDir dir_;
};

TEST_F(VersionInfoFileTest, ReadsEveryPropertyOfAResource) {
  TVersionInfo info;
  EXPECT_EQ(info.FileName(), "");
  info.SetFileName(Write("program one.exe", test::MakePe(test::SampleVersionResource()).image));
  EXPECT_TRUE(info.InfoLoaded());
  EXPECT_EQ(info.CompanyName(), "Éditions Test");
  EXPECT_EQ(info.FileDescription(), "Sample program");
  EXPECT_EQ(info.FileVersion(), "4.12.0.33");
  EXPECT_EQ(info.ProductVersion(), "4.12");       // "(4.12)" without its parentheses
  EXPECT_EQ(info.LegalTrademark(), "Sample(TM)"); // from "LegalTrademarks", kept as it is
  EXPECT_EQ(info.ProductName(), "Sample");
  EXPECT_EQ(info.Comments(), "");
  EXPECT_EQ(info.InternalName(), "");
  EXPECT_EQ(info.FileMajorVersion(), (4u << 16) | 12);
  EXPECT_EQ(info.FileMinorVersion(), 33u);
  EXPECT_EQ(info.ProductMajorVersion(), (4u << 16) | 12);
  EXPECT_EQ(info.ProductMinorVersion(), 0u);
  EXPECT_EQ(info.FileFlagsMask(), 0x3Fu);
  EXPECT_EQ(info.FileFlags(), 2u);
  EXPECT_EQ(info.FileOS(), 0x40004u);
  EXPECT_EQ(info.FileType(), 1u);
  EXPECT_EQ(info.FileSubtype(), 0u);
  EXPECT_EQ(info.TranslationValue(), 0x04E40409u);
  EXPECT_EQ(info.LanguageCount(), 1u);
  EXPECT_EQ(info.LanguageName(), "English (United States)");
  EXPECT_DOUBLE_EQ(info.FileVersionFloat(), 4.12033);
  EXPECT_DOUBLE_EQ(info.ProductVersionFloat(), 4.12);
  EXPECT_EQ(info.FileVersionInt(), Packed(4, 12, 0, 33));
}

TEST_F(VersionInfoFileTest, LoadsOnlyWhenAPropertyIsRead) {
  const std::string file = Write("later.exe", test::MakePe(test::SampleVersionResource()).image);
  TVersionInfo info;
  info.SetFileName(file);
  // Nothing has been read yet, so a change to the file before the first
  // property read is what the component sees.
  Write("later.exe", test::MakeElf(test::SampleVersionResource("1.0.0.12")).image);
  EXPECT_EQ(info.FileVersionInt(), 0x0100000Cu);
}

TEST_F(VersionInfoFileTest, VersionWrittenWithParenthesesReadsWithoutThem) {
  TVersionInfo info;
  info.SetFileName(
      Write("v.exe", test::MakePe(test::SampleVersionResource("1.0 (build 7)")).image));
  EXPECT_EQ(info.FileVersion(), "1.0 build 7");
  EXPECT_DOUBLE_EQ(info.FileVersionFloat(), 1.07);
}

TEST_F(VersionInfoFileTest, FileWithoutResourceReadsEmpty) {
  TVersionInfo info;
  info.SetFileName(Write("plain.bin", test::Bytes(4096, 0x5A)));
  EXPECT_FALSE(info.InfoLoaded());
  EXPECT_EQ(info.ProductName(), "");
  EXPECT_EQ(info.FileVersion(), "");
  EXPECT_EQ(info.FileMajorVersion(), 0u);
  EXPECT_EQ(info.TranslationValue(), 0u);
  EXPECT_EQ(info.FileVersionInt(), 0u);
  EXPECT_DOUBLE_EQ(info.FileVersionFloat(), 0);
  EXPECT_FALSE(info.InfoLoaded());
}

TEST_F(VersionInfoFileTest, EmptyTranslationTableStopsTheLoad) {
  test::Bytes resource = test::SampleVersionResource();
  // Zero the translation block's value length: a table with no entries.
  const std::u16string key = u"Translation";
  const std::string needle(reinterpret_cast<const char*>(key.data()), key.size() * 2);
  const std::size_t at = AsString(resource).find(needle);
  ASSERT_NE(at, std::string::npos);
  test::Put16(resource, at - 4, 0);
  TVersionInfo info;
  info.SetFileName(Write("no languages.exe", test::MakePe(resource).image));
  EXPECT_FALSE(info.InfoLoaded());
  EXPECT_EQ(info.ProductName(), "");
}

TEST_F(VersionInfoFileTest, MissingFileKeepsThePreviousNameAndValues) {
  TVersionInfo info;
  const std::string file = Write("kept.exe", test::MakePe(test::SampleVersionResource()).image);
  info.SetFileName(file);
  EXPECT_EQ(info.ProductName(), "Sample");
  info.SetFileName(dir_.File("missing.exe"));
  EXPECT_EQ(info.FileName(), file);
  EXPECT_EQ(info.ProductName(), "Sample");
  EXPECT_TRUE(info.InfoLoaded());
}

TEST_F(VersionInfoFileTest, NewFileNameClearsWhatWasRead) {
  TVersionInfo info;
  info.SetFileName(Write("first.exe", test::MakePe(test::SampleVersionResource()).image));
  EXPECT_EQ(info.ProductName(), "Sample");
  info.SetFileName(Write("second.bin", test::Bytes(100, 0)));
  EXPECT_EQ(info.ProductName(), "");
  EXPECT_EQ(info.FileMajorVersion(), 0u);
}

TEST(C_VersionInfoTest, RunningModuleIsThisTestProgramWithItsEmbeddedVersion) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  TCustomversion_Info base;
  EXPECT_EQ(base.FileName(), self);

  TVersionInfo info;
  EXPECT_EQ(info.FileName(), "");
  info.UseRunningModule();
  EXPECT_EQ(info.FileName(), self);
  EXPECT_TRUE(info.InfoLoaded());
  EXPECT_EQ(info.ProductName(), VANDREL_PRODUCT_NAME);
  EXPECT_EQ(info.CompanyName(), VANDREL_COMPANY_NAME);
  EXPECT_EQ(info.FileVersion(), VANDREL_VERSION_TEXT);
  EXPECT_EQ(info.ProductVersion(), VANDREL_VERSION_TEXT);
  EXPECT_EQ(info.InternalName(), "test_shell");
  EXPECT_EQ(info.OriginalFilename(), "test_shell");
  EXPECT_EQ(info.TranslationValue(), 0x04B00409u);
  EXPECT_EQ(info.FileVersionInt(), PackVersion(VANDREL_VERSION_TEXT));
  EXPECT_EQ(info.FileMajorVersion() >> 16, info.FileVersionInt() >> 24);
}

} // namespace
} // namespace vandrel
