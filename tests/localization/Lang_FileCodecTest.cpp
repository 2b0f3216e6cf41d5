#include <gtest/gtest.h>

#include "LangFileFixture.h"
#include "localization/Lang_FileCodec.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

using test::AppTree;
using test::TempDir;

// A record file of these records under a given record count.
void WriteRecords(const std::filesystem::path& file, const TLangRecords& records,
                  std::int32_t count) {
  std::string bytes = kLanguageFileSignature;
  bytes += LangIntegerBytes(count);
  for (const TLangRecord& r : records) {
    bytes += LangIntegerBytes(static_cast<std::int32_t>(r.Data.size()) + 8);
    bytes += LangIntegerBytes(r.Tag) + r.Data;
    bytes += LangIntegerBytes(static_cast<std::int32_t>(r.Data.size()) + 12);
  }
  test::WriteFile(file, bytes);
}

TLangRecords Revision2File() {
  TLangRecords r = {{0, LangIntegerBytes(0x2040C)}, {1, "T"}, {2, ""}, {3, ""}, {4, ""}, {5, ""}};
  for (const std::int32_t tag : {0x200, 0x204, 0x205, 0x206, 0x201, 0x202, 0x203}) {
    r.push_back({tag, tag == 0x203 ? std::string("\x00", 1) : ""});
  }
  for (const char* text : {"main.splitgo_btn", "Couper", "", "", "AboutDlg.ok_btn", "Ok"}) {
    r.push_back({0, text});
  }
  return r;
}

// The codec splits a file by the revision's layout and refuses what the
// program refuses, in the program's order.
TEST(LangFileCodecTest, DecodesAsTheProgramReadsAndRefusesWhatItRefuses) {
  TempDir dir;
  const TLangRecords records = Revision2File();
  WriteRecords(dir.path() / "ok.SPK", records, static_cast<std::int32_t>(records.size()));
  TLangFile file;
  ASSERT_EQ(ReadLanguageFile(dir.WFile("ok.SPK"), file), TLangFileStatus::Read);
  EXPECT_EQ(file.Revision(), 2);
  EXPECT_EQ(file.LangId(), 0x040C);
  EXPECT_EQ(file.Header.size(), 13u);
  ASSERT_EQ(file.Groups.size(), 2u);
  EXPECT_EQ(file.Groups[0].Records.size(), 4u);       // path, caption, hint, list
  EXPECT_EQ(file.Groups[1].Records.size(), 2u);       // cut short by the end
  EXPECT_EQ(file.Integer(TLangField::Charset, 7), 0); // one byte counts as a number
  EXPECT_EQ(file.Integer(TLangField::MinFontSize, 7), 7);
  EXPECT_EQ(LanguageFileRecords(file), records);
  ASSERT_TRUE(WriteLanguageFile(dir.WFile("again.SPK"), file));
  EXPECT_EQ(test::ReadFile(dir.path() / "again.SPK"), test::ReadFile(dir.path() / "ok.SPK"));

  struct Case {
    const char* name;
    std::int32_t count_change;
    TLangFileStatus status;
  } cases[] = {
      {"a count short of the records", -1, TLangFileStatus::Damaged},
      {"a count beyond the records", +20, TLangFileStatus::Damaged},
      {"a count below 6", -14, TLangFileStatus::TooFewRecords},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteRecords(dir.path() / "bad.SPK", records,
                 static_cast<std::int32_t>(records.size()) + c.count_change);
    EXPECT_EQ(ReadLanguageFile(dir.WFile("bad.SPK"), file), c.status);
    // The program refuses the same files.
    AppTree tree;
    TLanguageRecord reader(4, &tree.app, nullptr);
    EXPECT_FALSE(reader.ApplyFile(dir.WFile("bad.SPK")));
    EXPECT_EQ(tree.splitgo->GetText("Caption"), "Split Now");
  }
  TLangRecords bad_flag = records;
  bad_flag[5].Data = "BM";
  WriteRecords(dir.path() / "flag.SPK", bad_flag, static_cast<std::int32_t>(bad_flag.size()));
  std::string message;
  EXPECT_EQ(ReadLanguageFile(dir.WFile("flag.SPK"), file, &message), TLangFileStatus::InvalidFlag);
  EXPECT_EQ(message, "Bitmap image is not valid");
  EXPECT_EQ(ReadLanguageFile(dir.WFile("none.SPK"), file), TLangFileStatus::Missing);
}

} // namespace
} // namespace vandrel
