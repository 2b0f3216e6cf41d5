#include <gtest/gtest.h>

#include "LangFileFixture.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

using test::AppTree;
using test::LangFileWriter;
using test::TempDir;

struct ReadRecord {
  std::int32_t tag;
  std::string data;
};

std::vector<ReadRecord> ReadAll(const WideString& name) {
  TStorefile file;
  file.SetSignature(kLanguageFileSignature);
  file.SetFilename(name);
  file.SetReadOnly(true);
  file.Open();
  std::vector<ReadRecord> out;
  while (!file.AtEnd()) {
    ReadRecord r;
    r.tag = file.ReadString(r.data, true);
    out.push_back(r);
  }
  return out;
}

std::int32_t IntOf(const std::string& d) {
  std::uint32_t v = 0;
  for (size_t i = 0; i < d.size() && i < 4; ++i) {
    v |= static_cast<std::uint32_t>(static_cast<unsigned char>(d[i])) << (8 * i);
  }
  return static_cast<std::int32_t>(v);
}

// Index of the path record of a group in a template.
size_t FindGroup(const std::vector<ReadRecord>& records, const std::string& path) {
  for (size_t i = 14; i < records.size(); ++i) {
    if ((records[i].tag & 0xFF0) == 0x210 && records[i].data == path) {
      return i;
    }
  }
  return 0;
}

TEST(LangPackTest, CollectsPathsSkippingExcludedNamesButNotWhatTheyOwn) {
  AppTree tree;
  TComponentList list;
  CollectComponents("", list, {"MAIN.splitgo_btn", "aboutdlg"}, &tree.app);
  std::vector<std::string> paths;
  for (const auto& e : list) {
    paths.push_back(e.path);
  }
  EXPECT_EQ(paths,
            (std::vector<std::string>{"main", "main.TS", "main.predef_cmb", "main.info_lbl",
                                      "main.notes_mem", "main.help_mnu", "AboutDlg.ok_btn"}));
}

TEST(LangPackTest, TemplateHeaderAndGroups) {
  TempDir dir;
  AppTree tree;
  TStrings excluded;
  TLanguageRecord record(4, &tree.app, &excluded);
  record.LangId = 0x0409;
  record.ProgramVersion = 0x01020304;
  record.FontName = "Sans";
  record.Charset = 0;
  record.Title = "English";
  record.Notes = {"line one", "line two"};
  ASSERT_TRUE(record.WriteFile(dir.WFile("Vandrel_ORIGINAL.SPK")));
  const auto r = ReadAll(dir.WFile("Vandrel_ORIGINAL.SPK"));
  const std::int32_t header_tags[] = {0,     1,     2,     3,     4,     5,     0x200,
                                      0x204, 0x205, 0x206, 0x201, 0x202, 0x203, 0x204};
  ASSERT_GT(r.size(), 14u);
  for (size_t i = 0; i < 14; ++i) {
    EXPECT_EQ(r[i].tag, header_tags[i]) << i;
  }
  EXPECT_EQ(IntOf(r[0].data), 0x40409);
  EXPECT_EQ(r[4].data, "line one\r\nline two\r\n");
  EXPECT_EQ(IntOf(r[6].data), 0x01020304);
  EXPECT_EQ(r[11].data, "Sans");
  EXPECT_EQ(IntOf(r[13].data), 8);

  const size_t ok = FindGroup(r, "AboutDlg.ok_btn");
  ASSERT_NE(ok, 0u);
  EXPECT_EQ(r[ok].tag, 0x211);
  EXPECT_EQ(r[ok + 1].tag, 0x300);
  EXPECT_EQ(IntOf(r[ok + 1].data), 0);
  EXPECT_EQ(r[ok + 2].tag, 1);
  EXPECT_EQ(r[ok + 2].data, "Ok");
  EXPECT_EQ(r[ok + 3].tag, 0);
  EXPECT_EQ(r[ok + 3].data, "");
  EXPECT_EQ(r[ok + 4].tag, 0);

  const size_t go = FindGroup(r, "main.splitgo_btn");
  EXPECT_EQ(r[go].tag, 0x212);
  EXPECT_EQ(r[go + 3].tag, 0x12); // ShowHint true
  const size_t ts = FindGroup(r, "main.TS");
  EXPECT_EQ(r[ts + 2].tag, 0);
  EXPECT_EQ(r[ts + 4].tag, 3);
  EXPECT_EQ(r[ts + 4].data, "Done.\r\nunused\r\n");
  EXPECT_EQ(FindGroup(r, "main.notes_mem"), 0u); // nothing to translate
  const size_t help = FindGroup(r, "main.help_mnu");
  EXPECT_EQ(r[help + 3].tag, 0); // a menu item without hint
}

TEST(LangPackTest, HintTagFollowsShowHintAndIsTwelveWithoutIt) {
  TempDir dir;
  AppTree tree;
  tree.splitgo->SetProp("ShowHint", false);
  tree.help->SetProp("Hint", AnsiString("Opens help")); // no ShowHint property
  TLanguageRecord record(4, &tree.app, nullptr);
  record.WriteFile(dir.WFile("t.spk"));
  const auto r = ReadAll(dir.WFile("t.spk"));
  EXPECT_EQ(r[FindGroup(r, "main.splitgo_btn") + 3].tag, 0x02);
  EXPECT_EQ(r[FindGroup(r, "main.help_mnu") + 3].tag, 0x12);
}

TEST(LangPackTest, TemplateReadBackChangesNoTextButAppliesFonts) {
  TempDir dir;
  AppTree tree;
  TLanguageRecord writer(4, &tree.app, nullptr);
  writer.FontName = "Sans";
  writer.Charset = 1;
  writer.WriteFile(dir.WFile("t.spk"));

  LangFileWriter(dir.WFile("fonts.spk")).Header(4, 0x040C, 238, "DejaVu Sans", 9);
  TLanguageRecord reader(4, &tree.app, nullptr);
  ASSERT_TRUE(reader.ApplyFile(dir.WFile("t.spk")));
  EXPECT_EQ(tree.splitgo->GetText("Caption"), "Split Now");
  ASSERT_TRUE(reader.ApplyFile(dir.WFile("fonts.spk")));
  EXPECT_EQ(reader.Revision, 4);
  EXPECT_EQ(reader.LangId, 0x040C);
  EXPECT_EQ(reader.Detail, "France");
  EXPECT_EQ(tree.splitgo->GetFont("Font"), (TFont{"DejaVu Sans", 238, 9}));
  EXPECT_EQ(tree.main->GetFont("Font"), (TFont{"DejaVu Sans", 238, 9}));
  EXPECT_EQ(tree.info->GetFont("Font"), (TFont{"Mono", 238, 9})); // other face kept
  EXPECT_EQ(tree.app.GetFont("HintFont")->Charset, 238);
  EXPECT_EQ(tree.splitgo->GetText("Caption"), "Split Now");
  EXPECT_EQ(tree.ts->Items(), (TStrings{"Done.", "unused"}));
}

TEST(LangPackTest, EmptyFontNameKeepsTheFaces) {
  TempDir dir;
  AppTree tree;
  LangFileWriter(dir.WFile("noface.spk")).Header(4, 0x040C, 0, "");
  TLanguageRecord reader(4, &tree.app, nullptr);
  ASSERT_TRUE(reader.ApplyFile(dir.WFile("noface.spk")));
  EXPECT_EQ(tree.main->GetFont("Font"), (TFont{"Sans", 0, 8}));
}

TEST(LangPackTest, TranslatedTextsHintFlagsAndLayoutCodes) {
  TempDir dir;
  AppTree tree;
  LangFileWriter(dir.WFile("fr.spk"))
      .Header(4, 0x040C, 0)
      .Group("MAIN.SPLITGO_BTN", 2, 0x21,
             "D\xE9"
             "couper",
             0x22, "Lancer")
      .Group("main.info_lbl", 1, 0x01, "untranslated", 0x32, "Aide")
      .Group("main.TS", 0, 0, "", 0, "", 0x23, "Termin\xE9.\r\nunused\r\n")
      .Group("gone.window", 0, 0x21, "x")
      .Group("AboutDlg.ok_btn", 0, 0x21, "D'accord");
  TLanguageRecord reader(4, &tree.app, nullptr);
  ASSERT_TRUE(reader.ApplyFile(dir.WFile("fr.spk")));
  EXPECT_EQ(tree.splitgo->GetText("Caption"), "Découper");
  EXPECT_EQ(tree.splitgo->GetText("Hint"), "Lancer");
  EXPECT_EQ(tree.splitgo->GetBool("ShowHint"), false); // 0x22
  EXPECT_EQ(tree.splitgo->GetInt("Layout"), 1);        // code 2
  EXPECT_EQ(tree.info->GetText("Caption"), "Info");    // no translated flag
  EXPECT_EQ(tree.info->GetText("Hint"), "Aide");
  EXPECT_EQ(tree.info->GetBool("ShowHint"), true); // 0x32
  EXPECT_EQ(tree.info->GetInt("alignment"), 1);    // code 1
  EXPECT_EQ(tree.info->GetInt("Layout"), 0);
  EXPECT_EQ(tree.ts->Translate("done."), "Terminé.");
  EXPECT_EQ(tree.ok->GetText("Caption"), "D'accord");
}

TEST(LangPackTest, TranslatedListKeepsLengthAndSelection) {
  TempDir dir;
  struct Case {
    TStrings before;
    TStrings after;
    int index;
  } cases[] = {
      {{"a", "b", "c", "d", "e"}, {"un", "deux", "trois", "d", "e"}, 3},
      {{"a", "b"}, {"un", "deux"}, 1},
  };
  LangFileWriter(dir.WFile("list.spk"))
      .Header(4, 0x040C)
      .Group("main.predef_cmb", 0, 0, "", 0, "", 0x23, "un\r\ndeux\ntrois\r");
  for (const Case& c : cases) {
    AppTree tree;
    tree.predef->SetProp("Items", c.before);
    tree.predef->SetProp("ItemIndex", c.index);
    TLanguageRecord reader(4, &tree.app, nullptr);
    ASSERT_TRUE(reader.ApplyFile(dir.WFile("list.spk")));
    EXPECT_EQ(tree.predef->GetStrings("Items"), c.after);
    EXPECT_EQ(tree.predef->GetInt("ItemIndex"), c.index);
  }
}

TEST(LangPackTest, TextsAreConvertedFromTheCodePageOfTheCharset) {
  TempDir dir;
  AppTree tree;
  LangFileWriter(dir.WFile("ru.spk"))
      .Header(4, 0x0419, 204)
      .Group("main.splitgo_btn", 0, 0x21, "\xD0\xE0\xE7\xE4\xE5\xEB\xE8\xF2\xFC");
  TLanguageRecord reader(4, &tree.app, nullptr);
  ASSERT_TRUE(reader.ApplyFile(dir.WFile("ru.spk")));
  EXPECT_EQ(tree.splitgo->GetText("Caption"), "Разделить");

  // And the template is written in the code page of its charset.
  tree.splitgo->SetProp("Caption", AnsiString("Découper"));
  TLanguageRecord writer(4, &tree.app, nullptr);
  writer.Charset = 0;
  writer.WriteFile(dir.WFile("t.spk"));
  const auto r = ReadAll(dir.WFile("t.spk"));
  EXPECT_EQ(r[FindGroup(r, "main.splitgo_btn") + 2].data, "D\xE9"
                                                          "couper");
}

TEST(LangPackTest, ExcludedComponentIsNeitherWrittenNorTranslated) {
  TempDir dir;
  AppTree tree;
  TStrings excluded{"ok_btn", "main"};
  TLanguageRecord writer(4, &tree.app, &excluded);
  writer.WriteFile(dir.WFile("t.spk"));
  const auto r = ReadAll(dir.WFile("t.spk"));
  EXPECT_EQ(FindGroup(r, "AboutDlg.ok_btn"), 0u);
  EXPECT_EQ(FindGroup(r, "main"), 0u);
  EXPECT_NE(FindGroup(r, "main.splitgo_btn"), 0u); // owned by the excluded window

  LangFileWriter(dir.WFile("fr.spk"))
      .Header(4, 0x040C)
      .Group("AboutDlg.ok_btn", 0, 0x21, "D'accord")
      .Group("main", 0, 0x21, "Fenêtre");
  TLanguageRecord reader(4, &tree.app, &excluded);
  ASSERT_TRUE(reader.ApplyFile(dir.WFile("fr.spk")));
  EXPECT_EQ(tree.ok->GetText("Caption"), "Ok");
  EXPECT_EQ(tree.main->GetText("Caption"), "Vandrel");
}

TEST(LangPackTest, RevisionZeroFileUsesKindGroups) {
  TempDir dir;
  AppTree tree;
  {
    LangFileWriter w(dir.WFile("r0.spk"));
    w.file.AppendData(0, "\x0C\x04", 2); // 2-byte LangId: revision 0
    w.Text(1, "Old").Text(2, "").Text(3, "Detail").Text(4, "").Text(5, "");
    w.Text(6, "main.splitgo_btn").Text(0, "Couper").Text(0, "");
    w.Text(99, "main.info_lbl"); // unknown kind: no records follow
    w.Text(11, "main.predef_cmb").Text(0, "").Text(0, "Choix").Text(0, "un\r\ndeux\r\n");
    w.Text(12, "main.TS").Text(0, "Fini.\r\n");
    w.Text(13, "main.help_mnu").Text(0, "Aide").Text(0, "Ouvre l'aide");
    w.Text(6, "main.info_lbl.deep").Text(0, "skipped").Text(0, "");
    w.Text(6, "AboutDlg.ok_btn").Text(0, "").Text(0, "");
  }
  TLanguageRecord reader(4, &tree.app, nullptr);
  ASSERT_TRUE(reader.ApplyFile(dir.WFile("r0.spk")));
  EXPECT_EQ(reader.Revision, 0);
  EXPECT_EQ(reader.LangId, 0x040C);
  EXPECT_EQ(reader.Charset, 1);
  EXPECT_EQ(tree.splitgo->GetText("Caption"), "Couper");
  EXPECT_EQ(tree.predef->GetText("Hint"), "Choix");
  EXPECT_EQ(tree.predef->GetStrings("Items"), (TStrings{"un", "deux", "c", "d", "e"}));
  EXPECT_EQ(tree.ts->Items(), (TStrings{"Fini.", "unused"}));
  EXPECT_EQ(tree.help->GetText("Caption"), "Aide");
  EXPECT_EQ(tree.help->GetText("Hint"), "Ouvre l'aide");
  EXPECT_EQ(tree.ok->GetText("Caption"), "Ok"); // empty texts are not applied
  EXPECT_EQ(tree.splitgo->GetFont("Font")->Charset, 1);
}

TEST(LangPackTest, RefusedFilesChangeNothing) {
  TempDir dir;
  {
    LangFileWriter w(dir.WFile("five.spk"));
    w.Int(0, 0x4040C).Text(1, "t").Text(2, "h").Text(3, "d").Text(4, "");
  }
  LangFileWriter(dir.WFile("rev5.spk")).Header(4, 0x040C).Group("main.splitgo_btn", 0, 0x21, "X");
  {
    // Patch record 0 to revision 5.
    TStorefile f;
    f.SetSignature(kLanguageFileSignature);
    f.SetFilename(dir.WFile("rev5.spk"));
    f.Erase();
    f.Open();
    f.AppendInteger(0, 0x5040C);
    for (int i = 1; i <= 5; ++i) {
      f.AppendString(i, "");
    }
    f.AppendString(0x211, "main.splitgo_btn");
  }
  {
    LangFileWriter w(dir.WFile("badflag.spk"));
    w.Int(0, 0x4040C).Text(1, "t").Text(2, "h").Text(3, "d").Text(4, "").Text(5, "BMnot");
  }
  AppTree tree;
  TLanguageRecord reader(4, &tree.app, nullptr);
  EXPECT_FALSE(reader.ApplyFile(dir.WFile("missing.spk")));
  EXPECT_FALSE(reader.ApplyFile(dir.WFile("five.spk")));
  try {
    reader.ApplyFile(dir.WFile("rev5.spk"));
    ADD_FAILURE() << "revision 5 was applied";
  } catch (const ELanguageFileError& e) {
    EXPECT_STREQ(e.what(), "Format not supported in this revision");
  }
  EXPECT_THROW(reader.ApplyFile(dir.WFile("badflag.spk")), EInvalidGraphic);
  EXPECT_EQ(tree.splitgo->GetText("Caption"), "Split Now");
  EXPECT_EQ(tree.splitgo->GetFont("Font")->Charset, 1);
}

TEST(LangPackTest, DamagedFileIsRefusedBeforeAnyComponentChanges) {
  TempDir dir;
  LangFileWriter(dir.WFile("fr.spk"))
      .Header(4, 0x040C, 0, "Other")
      .Group("main.splitgo_btn", 0, 0x21, "Couper")
      .Group("AboutDlg.ok_btn", 0, 0x21, "D'accord");
  // Cut the last record short.
  auto bytes = test::ReadFile(dir.path() / "fr.spk");
  bytes.resize(bytes.size() - 3);
  test::WriteFile(dir.path() / "fr.spk", bytes);
  AppTree tree;
  TLanguageRecord reader(4, &tree.app, nullptr);
  EXPECT_FALSE(reader.ApplyFile(dir.WFile("fr.spk")));
  EXPECT_EQ(tree.splitgo->GetText("Caption"), "Split Now");
  EXPECT_EQ(tree.splitgo->GetFont("Font")->Name, "Sans");
}

// A component whose property read fails, as an adapter's might.
class FailingComponent : public TComponent {
public:
  explicit FailingComponent(TComponent* owner) : TComponent(owner, "broken") {
    Publish(
        "Caption", PropertyKind::Text, []() -> PropertyValue { throw Exception("widget gone"); },
        [](const PropertyValue&) {});
  }
};

TEST(LangPackTest, ComponentErrorIsShownAndTheRestIsWritten) {
  TempDir dir;
  AppTree tree;
  new FailingComponent(tree.about); // listed after AboutDlg and its ok_btn
  new TButton(tree.about, "close_btn");
  tree.about->FindComponent("close_btn")->SetProp("Caption", AnsiString("Close"));
  std::vector<AnsiString> shown;
  TLanguageRecord writer(4, &tree.app, nullptr);
  writer.OnComponentError = [&](const AnsiString& m) { shown.push_back(m); };
  EXPECT_TRUE(writer.WriteFile(dir.WFile("t.spk")));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "Exception widget gone - component No 9");
  const auto r = ReadAll(dir.WFile("t.spk"));
  EXPECT_NE(FindGroup(r, "AboutDlg.close_btn"), 0u);
  EXPECT_EQ(FindGroup(r, "AboutDlg.broken"), 0u);
}

TEST(LangPackTest, TemplateThatCannotBeCreatedIsReportedAsFailure) {
  TempDir dir;
  test::WriteFile(dir.path() / "plain file", "x");
  AppTree tree;
  TLanguageRecord writer(4, &tree.app, nullptr);
  EXPECT_FALSE(writer.WriteFile(dir.WFile("plain file/sub/t.spk")));
}

} // namespace
} // namespace vandrel
