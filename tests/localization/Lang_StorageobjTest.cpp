#include <gtest/gtest.h>

#include "localization/Lang_Storageobj.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const char kSignature[] = "QIV LANGUAGE FILE";

std::string Int32(std::int32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) {
    s[static_cast<size_t>(i)] =
        static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
  }
  return s;
}

std::string Record(std::int32_t tag, const std::string& data) {
  const auto n = static_cast<std::int32_t>(data.size());
  return Int32(n + 8) + Int32(tag) + data + Int32(n + 12);
}

struct Store {
  TStorefile file;
  Store(const WideString& name, bool read_only = false) {
    file.SetSignature(kSignature);
    file.SetFilename(name);
    file.SetReadOnly(read_only);
    file.Open();
  }
};

TEST(StorefileTest, EmptyFileIsSignatureAndCountAndRecordsAreFramed) {
  TempDir dir;
  {
    Store s(dir.WFile("sub folder/é/empty.spk")); // missing folders are created
    ASSERT_TRUE(s.file.IsOpen());
    EXPECT_TRUE(s.file.AtEnd());
  }
  EXPECT_EQ(ReadFile(dir.File("sub folder/é/empty.spk")), std::string(kSignature) + Int32(0));
  EXPECT_EQ(ReadFile(dir.File("sub folder/é/empty.spk")).size(), 21u);

  {
    Store s(dir.WFile("five.spk"));
    EXPECT_EQ(s.file.AppendString(7, "abcde"), 1);
  }
  const std::string bytes = ReadFile(dir.File("five.spk"));
  EXPECT_EQ(bytes.size(), 21u + 17u);
  EXPECT_EQ(bytes, std::string(kSignature) + Int32(1) + Int32(13) + Int32(7) + "abcde" + Int32(17));
}

TEST(StorefileTest, NavigationAfterReopening) {
  TempDir dir;
  {
    Store s(dir.WFile("three.spk"));
    s.file.AppendString(10, "zero");
    s.file.AppendInteger(11, 0x01020304);
    s.file.AppendString(12, "");
  }
  Store s(dir.WFile("three.spk"));
  ASSERT_EQ(s.file.RecordCount(), 3);
  EXPECT_FALSE(s.file.Damaged());
  // Right after opening a non-empty file the position is the first record,
  // so appends write nothing.
  EXPECT_EQ(s.file.AppendString(1, "x"), 0);
  ASSERT_TRUE(s.file.Last());
  EXPECT_EQ(s.file.RecordIndex(), 2);
  EXPECT_TRUE(s.file.Prior());
  EXPECT_TRUE(s.file.Prior());
  EXPECT_FALSE(s.file.Prior());
  EXPECT_EQ(s.file.RecordIndex(), 0);
  std::string text;
  EXPECT_EQ(s.file.ReadString(text, false), 10);
  EXPECT_EQ(text, "zero");
  s.file.GoToRecord(2);
  EXPECT_EQ(s.file.RecordIndex(), 2);
  EXPECT_EQ(s.file.ReadString(text, true), 12);
  EXPECT_TRUE(text.empty());
  EXPECT_TRUE(s.file.AtEnd());
  EXPECT_FALSE(s.file.Next());
  EXPECT_EQ(s.file.ReadString(text, true), 0); // past the end: tag 0, never fails
  s.file.GoToRecord(1);
  std::int32_t value = 0;
  EXPECT_EQ(s.file.ReadInteger(value, false), 11);
  EXPECT_EQ(value, 0x01020304);
  EXPECT_EQ(s.file.DataSize(), 4);
  s.file.GoToRecord(7); // out of range: ignored
  EXPECT_EQ(s.file.RecordIndex(), 1);
  // Appending after moving to the end.
  s.file.Last();
  s.file.Next();
  EXPECT_EQ(s.file.AppendString(13, "more"), 4);
}

TEST(StorefileTest, ReadDataSizes) {
  TempDir dir;
  {
    Store s(dir.WFile("sizes.spk"));
    s.file.AppendString(1, "ab");
    s.file.AppendString(2, "abcdef");
  }
  Store s(dir.WFile("sizes.spk"), true);
  char buffer[8] = {};
  struct Case {
    std::int32_t wanted;
    std::int32_t got;
  } cases[] = {{4, 2}, {-1, 2}, {1, 1}, {0, 0}};
  for (const Case& c : cases) {
    std::int32_t size = c.wanted;
    EXPECT_EQ(s.file.ReadData(buffer, size, false), 1);
    EXPECT_EQ(size, c.got) << c.wanted;
  }
  std::int32_t size = 3;
  EXPECT_EQ(s.file.ReadData(buffer, size, true), 1);
  size = 3;
  EXPECT_EQ(s.file.ReadData(buffer, size, true), 2);
  EXPECT_EQ(std::string(buffer, 3), "abc");
  EXPECT_EQ(s.file.RecordIndex(), 2);
  EXPECT_TRUE(s.file.AtEnd());
}

TEST(StorefileTest, SignatureMismatchLeavesItClosed) {
  TempDir dir;
  WriteFile(dir.path() / "other.spk", std::string("QIV LANGUAGE FILF") + Int32(0));
  WriteFile(dir.path() / "short.spk", "QIV");
  for (const char* name : {"other.spk", "short.spk"}) {
    Store s(dir.WFile(name));
    EXPECT_FALSE(s.file.IsOpen()) << name;
    EXPECT_TRUE(s.file.AtEnd());
    EXPECT_EQ(s.file.RecordCount(), 0);
    EXPECT_FALSE(s.file.First());
    EXPECT_EQ(s.file.AppendString(1, "x"), 0);
  }
  EXPECT_EQ(ReadFile(dir.path() / "other.spk").size(), 21u); // untouched
}

TEST(StorefileTest, ReadOnlyRefusesEveryWrite) {
  TempDir dir;
  { Store s(dir.WFile("ro.spk")); }
  Store s(dir.WFile("ro.spk"), true);
  ASSERT_TRUE(s.file.IsOpen());
  EXPECT_THROW(
      {
        try {
          s.file.AppendString(1, "x");
        } catch (const EStorefileError& e) {
          EXPECT_STREQ(e.what(), "Attempt to write a data while in ReadOnly mode");
          throw;
        }
      },
      EStorefileError);
  EXPECT_THROW(s.file.AppendInteger(1, 2), EStorefileError);
  EXPECT_THROW(s.file.Erase(), EStorefileError);
  s.file.Close();
  EXPECT_EQ(ReadFile(dir.File("ro.spk")).size(), 21u);
}

TEST(StorefileTest, EraseRecreatesAnOpenFileEmpty) {
  TempDir dir;
  Store s(dir.WFile("erase.spk"));
  s.file.AppendString(1, "abc");
  s.file.Erase();
  EXPECT_TRUE(s.file.IsOpen());
  EXPECT_EQ(s.file.RecordCount(), 0);
  s.file.Close();
  EXPECT_EQ(ReadFile(dir.File("erase.spk")).size(), 21u);
  s.file.Erase(); // closed: only deleted
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "erase.spk"));
}

TEST(StorefileTest, ReadingAFileChangesNoByte) {
  TempDir dir;
  // The header claims 9 records; only one is there.
  const std::string bytes = std::string(kSignature) + Int32(9) + Record(1, "a");
  WriteFile(dir.path() / "count.spk", bytes);
  {
    Store s(dir.WFile("count.spk"));
    ASSERT_TRUE(s.file.IsOpen());
    EXPECT_FALSE(s.file.OpenedReadOnly());
    s.file.GoToRecord(5);
  }
  EXPECT_EQ(ReadFile(dir.path() / "count.spk"), bytes);
}

TEST(StorefileTest, DamagedRecordsEndTheReadingAsTheEndOfTheFile) {
  TempDir dir;
  const std::string good = Record(1, "good");
  struct Case {
    const char* name;
    std::string tail;
  } cases[] = {
      {"length below 8", Int32(4) + Int32(2) + Int32(8)},
      {"past the end", Int32(1000) + Int32(2) + "abcd" + Int32(1004)},
      {"negative length", Int32(-20) + Int32(2) + Int32(-16)},
      {"back length disagrees", Int32(12) + Int32(2) + "abcd" + Int32(99)},
      {"cut short", Int32(12) + Int32(2) + "ab"},
  };
  for (const Case& c : cases) {
    WriteFile(dir.path() / "bad.spk", std::string(kSignature) + Int32(3) + good + c.tail);
    Store s(dir.WFile("bad.spk"), true);
    std::string text;
    EXPECT_EQ(s.file.ReadString(text, true), 1) << c.name;
    EXPECT_EQ(text, "good");
    EXPECT_FALSE(s.file.AtEnd()) << c.name;
    EXPECT_EQ(s.file.DataSize(), 0) << c.name;
    EXPECT_TRUE(s.file.AtEnd()) << c.name;
    EXPECT_EQ(s.file.ReadString(text, true), 0) << c.name;
    EXPECT_FALSE(s.file.Next()) << c.name;
    EXPECT_TRUE(s.file.Damaged()) << c.name;
  }
}

} // namespace
} // namespace vandrel
