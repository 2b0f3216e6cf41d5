#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include <fcntl.h>

#include "../localization/LangFileFixture.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

using test::TempDir;

int RunTool(const std::string& arguments) {
  const std::string command = std::string("'") + VANDREL_LANG_TOOL + "' " + arguments;
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Q(const std::string& path) {
  return "'" + path + "'";
}

// Runs the tool with its standard error in a file; the exit status.
int RunTool(const TempDir& dir, const std::string& arguments, std::string& stderr_text) {
  const int status = RunTool(arguments + " 2>" + Q(dir.File("stderr")));
  stderr_text = test::ReadFile(dir.path() / "stderr");
  return status;
}

// A record file of these records, with the record count given (the real
// count when negative).
void WriteRecords(const std::filesystem::path& file, const TLangRecords& records,
                  std::int32_t count = -1) {
  std::string bytes = kLanguageFileSignature;
  bytes += LangIntegerBytes(count < 0 ? static_cast<std::int32_t>(records.size()) : count);
  for (const TLangRecord& r : records) {
    bytes += LangIntegerBytes(static_cast<std::int32_t>(r.Data.size()) + 8);
    bytes += LangIntegerBytes(r.Tag);
    bytes += r.Data;
    bytes += LangIntegerBytes(static_cast<std::int32_t>(r.Data.size()) + 12);
  }
  test::WriteFile(file, bytes);
}

std::string Int(std::int32_t v) {
  return LangIntegerBytes(v);
}

// A revision-4 file: header, then a button's group with a translated
// caption.
TLangRecords French() {
  return {{0, Int(0x4040C)},
          {1, "Fran\xE7"
              "ais"},
          {2, "Langue"},
          {3, "France"},
          {4, ""},
          {5, test::BmpImage(1, 1)},
          {0x200, Int(0x01000001)},
          {0x204, Int(0)},
          {0x205, ""},
          {0x206, ""},
          {0x201, ""},
          {0x202, "Tahoma"},
          {0x203, Int(0)},
          {0x204, Int(8)},
          {0x211, "main.splitgo_btn"},
          {0x300, Int(0)},
          {0x21, "D\xE9"
                 "couper"},
          {0x12, "Start splitting"},
          {0, ""}};
}

// What the program does with a file: "applied", or the reason it refuses.
std::string ProgramVerdict(const WideString& file) {
  test::AppTree tree;
  TLanguageRecord reader(4, &tree.app, nullptr);
  try {
    return reader.ApplyFile(file) ? "applied" : "refused";
  } catch (const Exception& e) {
    return e.Message();
  }
}

TEST(VandrelLangTest, RoundTripsALanguageFileByteForByte) {
  TempDir dir;
  test::AppTree tree;
  TLanguageRecord writer(4, &tree.app, nullptr);
  writer.Charset = 0;
  writer.FontName = "Sans";
  writer.WriteFile(dir.WFile("Vandrel_ORIGINAL.SPK"));
  test::LangFileWriter(dir.WFile("fr.SPK"))
      .Header(4, 0x040C)
      .Group("main.splitgo_btn", 0, 0x21,
             "D\xE9"
             "couper",
             0x32, "Lancer")
      .Group("AboutDlg.ok_btn", 2, 0x01, "Ok");
  const std::string templ = dir.File("Vandrel_ORIGINAL.SPK");
  const std::string fr = dir.File("fr.SPK");
  ASSERT_EQ(RunTool("to-po " + Q(templ) + " > " + Q(dir.File("t.po"))), 0);
  ASSERT_EQ(RunTool("to-spk " + Q(dir.File("t.po")) + " --template " + Q(templ) + " -o " +
                    Q(dir.File("t.SPK"))),
            0);
  EXPECT_EQ(test::ReadFile(dir.File("t.SPK")), test::ReadFile(templ));

  ASSERT_EQ(RunTool("to-po " + Q(fr) + " -o " + Q(dir.File("fr.po"))), 0);
  ASSERT_EQ(RunTool("to-spk " + Q(dir.File("fr.po")) + " -o " + Q(dir.File("fr2.SPK"))), 0);
  EXPECT_EQ(test::ReadFile(dir.File("fr2.SPK")), test::ReadFile(fr));
  EXPECT_NE(test::ReadFile(dir.File("fr.po")).find("msgstr \"Découper\""), std::string::npos);
}

TEST(VandrelLangTest, FailuresExitWithAStatusAndKeepTheOldFile) {
  TempDir dir;
  test::WriteFile(dir.path() / "old.SPK", "previous");
  test::WriteFile(dir.path() / "bad.po", "msgid \"x\"\nmsgstr \"\"\n");
  EXPECT_EQ(RunTool(""), 2);
  EXPECT_EQ(RunTool("frobnicate x"), 2);
  EXPECT_EQ(RunTool("to-spk " + Q(dir.File("bad.po"))), 2); // no -o
  EXPECT_EQ(RunTool("to-po " + Q(dir.File("missing.SPK")) + " 2>/dev/null"), 1);
  EXPECT_EQ(
      RunTool("to-spk " + Q(dir.File("bad.po")) + " -o " + Q(dir.File("old.SPK")) + " 2>/dev/null"),
      1);
  EXPECT_EQ(test::ReadFile(dir.path() / "old.SPK"), "previous");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing.SPK"));
}

// vandrel-lang refuses what the program refuses, for the program's reason,
// and writes nothing the program would refuse.
TEST(VandrelLangTest, AppliesTheProgramsRulesBothWays) {
  TempDir dir;
  struct FileCase {
    const char* name;
    std::function<void(TLangRecords&)> edit;
    std::int32_t count; // -1: the real one
    const char* reason;
  } file_cases[] = {
      {"a count below 6 over more records", [](TLangRecords&) {}, 5, "fewer than 6 records"},
      {"a count above the records", [](TLangRecords&) {}, 40, "damaged"},
      {"revision 5", [](TLangRecords& r) { r[0].Data = Int(0x5040C); }, -1,
       "Format not supported in this revision"},
      {"a flag that is no picture", [](TLangRecords& r) { r[5].Data = "BM not a picture"; }, -1,
       "Bitmap image is not valid"},
  };
  for (const FileCase& c : file_cases) {
    SCOPED_TRACE(c.name);
    TLangRecords records = French();
    c.edit(records);
    WriteRecords(dir.path() / "in.SPK", records, c.count);
    EXPECT_NE(ProgramVerdict(dir.WFile("in.SPK")), "applied");
    std::string stderr_text;
    EXPECT_EQ(RunTool(dir, "to-po " + Q(dir.File("in.SPK")) + " -o " + Q(dir.File("out.po")),
                      stderr_text),
              1);
    EXPECT_NE(stderr_text.find(c.reason), std::string::npos) << stderr_text;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.po"));
  }

  WriteRecords(dir.path() / "fr.SPK", French());
  ASSERT_EQ(RunTool("to-po " + Q(dir.File("fr.SPK")) + " -o " + Q(dir.File("fr.po"))), 0);
  const std::string po = test::ReadFile(dir.path() / "fr.po");
  struct PoCase {
    const char* field;
    const char* value;
    const char* reason;
  } po_cases[] = {
      // 0x10004 narrowed to 16 bits would pass as revision 4.
      {"X-Vandrel-Revision: 4", "X-Vandrel-Revision: 65540", "Format not supported"},
      {"X-Vandrel-Revision: 4", "X-Vandrel-Revision: 5", "Format not supported"},
      {"X-Vandrel-Revision: 4", "X-Vandrel-Revision: -1", "Format not supported"},
      {"X-Vandrel-LangId: 040C", "X-Vandrel-LangId: 1040C", "X-Vandrel-LangId"},
      {"X-Vandrel-ProgramVersion: 0x01000001", "X-Vandrel-ProgramVersion: 0x101000001",
       "X-Vandrel-ProgramVersion does not fit in 32 bits"},
      {"X-Vandrel-Charset: 0", "X-Vandrel-Charset: 4294967296",
       "X-Vandrel-Charset does not fit in 32 bits"},
      {"X-Vandrel-Flag: Qk0", "X-Vandrel-Flag: Qk0AAAA", "Bitmap image is not valid"},
  };
  for (const PoCase& c : po_cases) {
    SCOPED_TRACE(c.value);
    std::string edited = po;
    const size_t at = edited.find(c.field);
    ASSERT_NE(at, std::string::npos) << c.field;
    const size_t end = edited.find("\\n", at);
    edited.replace(at, end - at, c.value);
    test::WriteFile(dir.path() / "edited.po", edited);
    std::string stderr_text;
    EXPECT_EQ(RunTool(dir,
                      "to-spk " + Q(dir.File("edited.po")) + " -o " + Q(dir.File("edited.SPK")),
                      stderr_text),
              1);
    EXPECT_NE(stderr_text.find(c.reason), std::string::npos) << stderr_text;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "edited.SPK"));
  }
}

// Every file the program applies comes back byte for byte, whatever it
// holds that the program ignores.
TEST(VandrelLangTest, EveryFileTheProgramAppliesRoundTripsByteForByte) {
  TempDir dir;
  const std::string group_tail[] = {"main.splitgo_btn", Int(0), "x", "", ""};
  struct Case {
    const char* name;
    std::function<void(TLangRecords&)> edit;
  } cases[] = {
      {"as written", [](TLangRecords&) {}},
      {"integer records of 2, 6 and 0 bytes",
       [](TLangRecords& r) {
         r[12].Data = std::string("\xCC\x00", 2);  // charset
         r[6].Data = Int(0x01000001) + "\x07\x08"; // program version
         r[15].Data = "";                          // layout
       }},
      {"a layout of 3 bytes under another tag",
       [](TLangRecords& r) {
         r[15] = {0x301, std::string("\x01\x00\x00", 3)};
       }},
      {"record 0 of 5 bytes", [](TLangRecords& r) { r[0].Data = Int(0x4040C) + "\xFF"; }},
      {"header tags the program ignores",
       [](TLangRecords& r) {
         r[1].Tag = 77;
         r[7].Tag = -1;
         r[5].Tag = 0;
       }},
      {"a header cut short", [](TLangRecords& r) { r.resize(9); }},
      {"a last group cut short", [](TLangRecords& r) { r.resize(17); }},
      {"a group with no texts",
       [](TLangRecords& r) {
         r.push_back({0x210, "main.info_lbl"});
         r.push_back({0x300, Int(2)});
         r.push_back({0, ""});
         r.push_back({0, ""});
         r.push_back({0, ""});
       }},
      {"bytes behind a no-text tag, an empty translation, a negative tag",
       [](TLangRecords& r) {
         r[18] = {0, "ignored"};
         r[16] = {0x21, ""};
         r[17] = {-0x20, "never shown"};
       }},
      {"the same path twice",
       [&](TLangRecords& r) {
         r[16] = {0, ""};
         r.push_back({0x211, "main.splitgo_btn"});
         r.push_back({0x300, Int(0)});
         r.push_back({0x21, "Lancer"});
         r.push_back({0, ""});
         r.push_back({0, ""});
       }},
      {"bytes that are no text in the code page",
       [](TLangRecords& r) {
         r[1].Data = "\x81\x8D";        // undefined in 1252
         r[14].Data = "main.\x90";      // a path
         r[17] = {0x32, "\x9D tip"};    // a translated hint
         r[18] = {0x03, "one\r\n\x8F"}; // an untranslated list
       }},
      {"revision 0",
       [](TLangRecords& r) {
         r.resize(6);
         r[0].Data = std::string("\x0C\x04", 2);
         r.push_back({11, "main"});
         r.push_back({0, "Vandrel"});
         r.push_back({0, ""});
         r.push_back({0, "a\r\nb\r\n"});
         r.push_back({99, "main.unknown_kind"});
         r.push_back({12, "main.TS"});
         r.push_back({0, "Fait.\r\n"});
         r.push_back({6, "main.splitgo_btn"});
         r.push_back({0, "D\xE9"
                         "couper"}); // its hint is cut off
       }},
      {"revision 1 and 3", [](TLangRecords& r) { r[0].Data = Int(0x3040C); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TLangRecords records = French();
    c.edit(records);
    WriteRecords(dir.path() / "in.SPK", records);
    ASSERT_EQ(ProgramVerdict(dir.WFile("in.SPK")), "applied");
    ASSERT_EQ(RunTool("to-po " + Q(dir.File("in.SPK")) + " -o " + Q(dir.File("in.po"))), 0);
    ASSERT_EQ(RunTool("to-spk " + Q(dir.File("in.po")) + " -o " + Q(dir.File("out.SPK"))), 0);
    EXPECT_EQ(test::ReadFile(dir.path() / "out.SPK"), test::ReadFile(dir.path() / "in.SPK"));
  }
}

#if defined(__SANITIZE_ADDRESS__)
#define VANDREL_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANDREL_UNDER_ASAN 1
#endif
#endif

// Peak resident memory of the tool on these arguments, in bytes, measured
// by the kernel for the child alone.
long PeakMemory(const std::vector<std::string>& arguments, int& exit_status) {
  const pid_t child = fork();
  if (child == 0) {
    std::vector<char*> argv;
    static std::string tool = VANDREL_LANG_TOOL;
    argv.push_back(tool.data());
    std::vector<std::string> copies = arguments;
    for (std::string& a : copies) {
      argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    execv(tool.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) {
    return -1;
  }
  exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return usage.ru_maxrss * 1024L; // kilobytes on Linux
}

TEST(VandrelLangTest, ALargeRecordConvertsInBoundedMemory) {
#ifdef VANDREL_UNDER_ASAN
  GTEST_SKIP() << "the sanitizers' shadow memory makes resident sizes meaningless";
#endif
  TempDir dir;
  constexpr size_t kRecord = 50u << 20;
  struct Case {
    const char* name;
    std::function<void(TLangRecords&)> edit;
  } cases[] = {
      {"a 50 MB caption", [](TLangRecords& r) { r[16].Data = test::PatternBytes(kRecord, 7); }},
      {"a 50 MB flag", [](TLangRecords& r) { r[5].Data = test::BmpImage(4096, 4267); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TLangRecords records = French();
    c.edit(records);
    WriteRecords(dir.path() / "big.SPK", records);
    records.clear();
    const auto limit = [](const std::filesystem::path& input) {
      return 4 * static_cast<long>(std::filesystem::file_size(input)) + (32L << 20);
    };
    int status = -1;
    const long to_po = PeakMemory({"to-po", dir.File("big.SPK"), "-o", dir.File("big.po")}, status);
    ASSERT_EQ(status, 0);
    EXPECT_LT(to_po, limit(dir.path() / "big.SPK")) << "to-po";
    const long to_spk =
        PeakMemory({"to-spk", dir.File("big.po"), "-o", dir.File("back.SPK")}, status);
    ASSERT_EQ(status, 0);
    EXPECT_LT(to_spk, limit(dir.path() / "big.po")) << "to-spk";
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "back.SPK"),
              std::filesystem::file_size(dir.path() / "big.SPK"));
    std::filesystem::remove(dir.path() / "big.po");
  }
}

} // namespace
} // namespace vandrel
