#include <gtest/gtest.h>

#include "LangFileFixture.h"
#include "localization/U_LangPo.h"
#include "localization/U_PoFile.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

using test::AppTree;
using test::LangFileWriter;
using test::TempDir;

TLangRecords Records(const WideString& name) {
  TLangRecords r;
  std::string error;
  EXPECT_TRUE(ReadLanguageRecords(name, r, error)) << error;
  return r;
}

// A template of the test tree, and a translation made from it as a
// translator's tool would: same groups, translated texts flagged.
struct Files {
  TempDir dir;
  AppTree tree;
  WideString templ = dir.WFile("Vandrel_ORIGINAL.SPK");
  WideString french = dir.WFile("Vandrel_0000040C.SPK");
  Files() {
    tree.notes->SetProp("Lines", TStrings{"first", "second"});
    TLanguageRecord writer(4, &tree.app, nullptr);
    writer.FontName = "Sans";
    writer.Charset = 0;
    writer.ProgramVersion = 0x01000001;
    writer.WriteFile(templ);
    TLangRecords r = Records(templ);
    r[0].Data = std::string("\x0C\x04\x04\x00", 4);
    r[1].Data = "Fran\xE7"
                "ais";
    r[3].Data = "France";
    r[4].Data = "Notes\r\nmore\r\n";
    r[5].Data = test::BmpImage(1, 1);
    for (size_t i = 14; i + 4 < r.size(); i += 5) {
      if (r[i].Data == "main.splitgo_btn") {
        r[i + 2] = {0x21, "D\xE9"
                          "couper"};
        r[i + 3] = {0x22, "Lance la d\xE9"
                          "coupe"}; // show-hint turned off
      }
      if (r[i].Data == "main.predef_cmb") {
        r[i + 4] = {0x23, "un\r\ndeux\r\n"};
      }
    }
    std::string error;
    EXPECT_TRUE(WriteLanguageRecords(french, r, error)) << error;
  }
};

TEST(LangPoTest, PoRoundTripGivesTheFileBackByteForByte) {
  Files f;
  const TLangRecords french = Records(f.french);
  const TLangRecords templ = Records(f.templ);
  std::string po, error;
  ASSERT_TRUE(LanguageFileToPo(french, &templ, po, error)) << error;
  EXPECT_NE(po.find("msgctxt \"main.splitgo_btn|caption\"\nmsgid \"Split Now\"\nmsgstr "
                    "\"Découper\""),
            std::string::npos)
      << po;
  EXPECT_NE(po.find("\"X-Vandrel-Title: Français\\n\""), std::string::npos);
  for (const TLangRecords* with : {&templ, static_cast<const TLangRecords*>(nullptr)}) {
    TLangRecords back;
    ASSERT_TRUE(PoToLanguageFile(po, with, back, error)) << error;
    EXPECT_EQ(back, french) << (with ? "with template" : "without template");
  }
  // And the bytes on disk.
  TLangRecords back;
  ASSERT_TRUE(PoToLanguageFile(po, &templ, back, error));
  ASSERT_TRUE(WriteLanguageRecords(f.dir.WFile("again.SPK"), back, error));
  EXPECT_EQ(test::ReadFile(f.dir.path() / "again.SPK"),
            test::ReadFile(f.dir.path() / "Vandrel_0000040C.SPK"));

  // The template itself round-trips too.
  std::string template_po;
  ASSERT_TRUE(LanguageFileToPo(templ, nullptr, template_po, error));
  ASSERT_TRUE(PoToLanguageFile(template_po, nullptr, back, error)) << error;
  EXPECT_EQ(back, templ);
}

TEST(LangPoTest, TranslatorsEditsBecomeTranslatedTextsThatApply) {
  Files f;
  const TLangRecords templ = Records(f.templ);
  std::string po, error;
  ASSERT_TRUE(LanguageFileToPo(templ, nullptr, po, error));
  std::vector<TPoEntry> entries;
  ASSERT_TRUE(ParsePo(po, entries, error)) << error;
  for (TPoEntry& e : entries) {
    if (e.IsHeader()) {
      e.Text.replace(e.Text.find("X-Vandrel-Charset: 0"), 20, "X-Vandrel-Charset: 204");
      e.Text.replace(e.Text.find("X-Vandrel-LangId: 0000"), 22, "X-Vandrel-LangId: 0419");
    } else if (e.Context == "AboutDlg.ok_btn|caption") {
      e.Text = "Хорошо";
    } else if (e.Context == "main.TS|items") {
      e.Text = "Готово.\r\nunused\r\n";
    } else if (e.Context == "main.info_lbl|caption") {
      e.Text = "Сведения";
      e.Flags.push_back("fuzzy"); // not yet accepted: stays English
    }
  }
  TLangRecords russian;
  ASSERT_TRUE(PoToLanguageFile(FormatPo(entries), &templ, russian, error)) << error;
  ASSERT_TRUE(WriteLanguageRecords(f.dir.WFile("Vandrel_00000419.SPK"), russian, error));
  EXPECT_EQ(PoLanguageCode(FormatPo(entries)), 0x0419u);

  TLanguageRecord reader(4, &f.tree.app, nullptr);
  ASSERT_TRUE(reader.ApplyFile(f.dir.WFile("Vandrel_00000419.SPK")));
  EXPECT_EQ(reader.Charset, 204);
  EXPECT_EQ(f.tree.ok->GetText("Caption"), "Хорошо");
  EXPECT_EQ(f.tree.ts->Translate("Done."), "Готово.");
  EXPECT_EQ(f.tree.info->GetText("Caption"), "Info");
}

TEST(LangPoTest, RefusalsNameWhatFailed) {
  Files f;
  const TLangRecords templ = Records(f.templ);
  std::string po, error;
  ASSERT_TRUE(LanguageFileToPo(templ, nullptr, po, error));
  struct Case {
    std::string po;
    const char* message;
  } cases[] = {
      {"msgid \"x\"\nmsgstr \"y\"\n", "no header entry"},
      {"msgid \"\"\nmsgstr \"\"\n\"X-Vandrel-Revision: 5\\n\"\n",
       "Format not supported in this revision"},
      {"msgid \"unterminated\nmsgstr \"\"\n", "line 1"},
      {"msgid \"a\"\nmsgid_plural \"b\"\nmsgstr[0] \"\"\n", "plural"},
      {"msgid \"\"\nmsgstr \"X-Vandrel-Charset: 0\\n\"\n\nmsgctxt \"main|caption\"\nmsgid "
       "\"x\"\nmsgstr \"Да\"\n",
       "main|caption has characters that code page 1252 cannot hold"},
      {"msgid \"\"\nmsgstr \"\"\n\nmsgid \"no context\"\nmsgstr \"\"\n", "has no context"},
  };
  for (const Case& c : cases) {
    TLangRecords out;
    EXPECT_FALSE(PoToLanguageFile(c.po, nullptr, out, error)) << c.message;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
  TLangRecords revision5 = templ;
  revision5[0].Data = std::string("\x09\x04\x05\x00", 4);
  EXPECT_FALSE(LanguageFileToPo(revision5, nullptr, po, error));
  EXPECT_EQ(error, "Format not supported in this revision");
}

TEST(LangPoTest, PoTextsWithLineBreaksAndEscapesSurviveFormatting) {
  std::vector<TPoEntry> entries(2);
  entries[0].Text = "Content-Type: text/plain; charset=UTF-8\n";
  entries[1].Context = "main.TS|items";
  entries[1].Id = "one\r\ntwo \"quoted\"\r\n\ttab\\";
  entries[1].Text = "\x01";
  entries[1].ExtractedComments = {"vandrel: group 0x211 layout 0 tag 0x03"};
  std::vector<TPoEntry> back;
  std::string error;
  ASSERT_TRUE(ParsePo(FormatPo(entries), back, error)) << error;
  ASSERT_EQ(back.size(), 2u);
  EXPECT_TRUE(back[0].IsHeader());
  EXPECT_EQ(back[1].Id, entries[1].Id);
  EXPECT_EQ(back[1].Text, entries[1].Text);
  EXPECT_EQ(back[1].Context, entries[1].Context);
  EXPECT_EQ(back[1].ExtractedComments, entries[1].ExtractedComments);
}

} // namespace
} // namespace vandrel
