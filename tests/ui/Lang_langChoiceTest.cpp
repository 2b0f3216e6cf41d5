// The language chooser on a language list of its own: what it lists, how
// it hooks into the list's after-switch event, clicks and keys, the
// heading, and how an entry is drawn.

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QWidget>

#include <regex>

#include "DialogsFixture.h"
#include "localization/U_LangPo.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

constexpr char kKey[] = "Software\\Tolvane\\Chooser test";
const QColor kCream(255, 251, 240);
const QColor kFrenchBlue(0, 35, 149);

std::optional<std::uint32_t> Stored() {
  platform::RegistryKey key;
  std::uint32_t code = 0;
  if (key.Open(platform::RegistryRoot::CurrentUser, kKey, false, false) !=
          platform::RegistryStatus::Ok ||
      key.ReadDword("Langue", code) != platform::RegistryStatus::Ok) {
    return std::nullopt;
  }
  return code;
}

// A language file made from the English PO source under another language
// identifier, titled title, without a flag.
void WriteFlaglessLanguage(const fs::path& file, const std::string& lang_id,
                           const std::string& title) {
  std::string po = ReadFile(fs::path(VANDREL_PO_DIR) / "en.po");
  po = std::regex_replace(po, std::regex("X-Vandrel-LangId: [0-9A-F]+"),
                          "X-Vandrel-LangId: " + lang_id);
  po = std::regex_replace(po, std::regex("X-Vandrel-Title: [^\\\\]*"), "X-Vandrel-Title: " + title);
  po = std::regex_replace(po, std::regex("X-Vandrel-Flag: [^\\\\]*"), "X-Vandrel-Flag: ");
  TLangRecords records;
  std::string error;
  ASSERT_TRUE(PoToLanguageFile(po, nullptr, records, error)) << error;
  ASSERT_TRUE(WriteLanguageRecords(W(file.string()), records, error)) << error;
}

class ChooserTest : public testing::Test {
protected:
  ChooserTest() {
    // English, French and a second French variant, and German without a
    // flag.
    CopyLanguageFiles(folder_.path(), {kEnglish, kFrench});
    fs::copy_file(BuiltLanguageFile(kFrench), folder_.path() / "Vandrel_0001040C.SPK");
    WriteFlaglessLanguage(folder_.path() / "Vandrel_00000407.SPK", "0407", "Deutsch");
    list_ = new TLangList(&root_, "Langue");
    list_->FilePrefix = "Vandrel_";
    list_->RegKey = kKey;
    list_->SetExeFolder(W(folder_.path().string() + "/"));
    list_->Loaded();
    list_->AfterLanguageSwitch = [this](TComponent* sender) { senders_.push_back(sender); };
    chooser_ = new TLanguageChoice(&host_);
    chooser_->setGeometry(0, 0, 313, 185);
    chooser_->SetComponent(&chooser_component_);
    host_.resize(320, 200);
  }
  ~ChooserTest() override {
    platform::RegistryKey key;
    if (key.Open(platform::RegistryRoot::CurrentUser, kKey, false) ==
        platform::RegistryStatus::Ok) {
      key.DeleteValue("Langue");
    }
  }

  TempDir folder_;
  TComponent root_{nullptr, "application"};
  TLangList* list_ = nullptr; // owned by root_
  std::vector<TComponent*> senders_;
  QWidget host_;
  TLanguageChoice* chooser_ = nullptr; // owned by host_
  TComponent chooser_component_{nullptr, "lang"};
};

std::vector<std::string> Entries(const TLanguageChoice& chooser) {
  std::vector<std::string> entries;
  for (int i = 0; i < chooser.LanguageBox->count(); ++i) {
    entries.push_back(chooser.LanguageBox->item(i)->text().toStdString());
  }
  return entries;
}

TEST_F(ChooserTest, BindingListsTheLanguagesAndPutsTheChooserInFrontOfTheListsHandler) {
  EXPECT_EQ(chooser_->LanguageBox->count(), 0);
  chooser_->SetLanguageList(list_);
  const std::string version = " [" VANDREL_VERSION_TEXT "] - ";
  EXPECT_EQ(Entries(*chooser_), (std::vector<std::string>{"English" + version + "United States",
                                                          "Français" + version + "France",
                                                          "Français" + version + "France",
                                                          "Deutsch" + version + "United States"}));
  EXPECT_TRUE(chooser_->NextAfterSwitch());
  EXPECT_EQ(chooser_->HeadingLabel->text(), ""); // empty until the first switch

  // A switch that is not a click: the entry is selected, the old handler
  // hears it from the chooser, the heading has its two blanks.
  list_->SetLanguageIndex(1);
  EXPECT_EQ(senders_, std::vector<TComponent*>{&chooser_component_});
  EXPECT_EQ(chooser_->LanguageBox->currentRow(), 1);
  EXPECT_EQ(chooser_->HeadingLabel->text().toStdString(), "  Choisissez votre langue");

  chooser_->SetLanguageList(nullptr);
  EXPECT_EQ(chooser_->LanguageBox->count(), 0);
}

TEST_F(ChooserTest, AClickOrAnArrowKeySwitchesStoresTheCodeAndShowsThePlainHeading) {
  chooser_->SetLanguageList(list_);
  chooser_->Loaded();
  std::vector<TComponent*> clicks;
  chooser_->OnClick = [&](TComponent* sender) { clicks.push_back(sender); };
  ClickLanguage(*chooser_, 1);
  EXPECT_EQ(list_->LanguageIndex(), 1);
  EXPECT_EQ(Stored(), kFrench);
  EXPECT_EQ(chooser_->HeadingLabel->text().toStdString(), "Choisissez votre langue");
  EXPECT_EQ(clicks, std::vector<TComponent*>{&chooser_component_});
  EXPECT_EQ(senders_, std::vector<TComponent*>{&chooser_component_});
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  host_.show();
  chooser_->LanguageBox->setFocus();
  QTest::keyClick(chooser_->LanguageBox, Qt::Key_Up);
  EXPECT_EQ(list_->LanguageIndex(), 0);
  EXPECT_EQ(Stored(), kEnglish);
  EXPECT_EQ(chooser_->HeadingLabel->text().toStdString(), "Choose your language");
  EXPECT_EQ(clicks.size(), 2u);
  // A key that moves nothing picks nothing.
  QTest::keyClick(chooser_->LanguageBox, Qt::Key_Up);
  EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(ChooserTest, ClicksDoNothingWhileLoadingOrWithoutAList) {
  bool clicked = false;
  chooser_->OnClick = [&](TComponent*) { clicked = true; };
  chooser_->SetLanguageList(list_);
  ClickLanguage(*chooser_, 1); // still loading
  EXPECT_EQ(list_->LanguageIndex(), 0);
  EXPECT_FALSE(list_->LanguageLoaded());
  EXPECT_EQ(Stored(), std::nullopt);

  TLanguageChoice unbound;
  unbound.Loaded();
  unbound.OnClick = [&](TComponent*) { clicked = true; };
  unbound.BoxClick();
  EXPECT_FALSE(clicked);
}

TEST_F(ChooserTest, AGoneOrReboundChooserLeavesTheListItsFormerHandler) {
  chooser_->SetLanguageList(list_);
  TLangList other(&root_, "Other");
  other.SetExeFolder(list_->ExeFolder());
  other.FilePrefix = "Vandrel_";
  other.RegKey.clear();
  other.Loaded();
  chooser_->SetLanguageList(&other);
  list_->SetLanguageIndex(0);
  ASSERT_EQ(senders_.size(), 1u);
  EXPECT_EQ(senders_[0], list_);
  EXPECT_EQ(chooser_->LanguageBox->currentRow(), -1); // the chooser shows the other list

  delete chooser_;
  chooser_ = nullptr;
  list_->SetLanguageIndex(1);
  ASSERT_EQ(senders_.size(), 2u);
  EXPECT_EQ(senders_[1], list_);
}

TEST(LanguageEntryLayout, PutsTheFrameTheFlagAndTheNameAtTheirOffsets) {
  struct Case {
    QRect entry;
    int flag_width, flag_height, text_height;
    QRect frame;
    QPoint flag, text;
  };
  for (const Case& c : {
           // A 40-pixel flag puts the name 52 pixels from the left edge.
           Case{QRect(0, 0, 200, 32), 40, 20, 14, QRect(3, 1, 42, 22), QPoint(4, 2), QPoint(52, 9)},
           Case{QRect(0, 32, 200, 32), 39, 26, 17, QRect(3, 33, 41, 28), QPoint(4, 34),
                QPoint(51, 39)},
           // No flag: a 2 x 2 frame and the name 12 pixels from the edge.
           Case{QRect(0, 64, 200, 32), 0, 0, 14, QRect(3, 65, 2, 2), QPoint(4, 66), QPoint(12, 73)},
       }) {
    const TLanguageEntryLayout layout =
        LanguageEntryLayout(c.entry, c.flag_width, c.flag_height, c.text_height);
    EXPECT_EQ(layout.Frame, c.frame) << c.entry.top();
    EXPECT_EQ(layout.Flag, c.flag) << c.entry.top();
    EXPECT_EQ(layout.Text, c.text) << c.entry.top();
  }
}

TEST_F(ChooserTest, DrawsEachFlagInACreamFrameAndAVariantWithItsFirstVariantsFlag) {
  chooser_->SetLanguageList(list_);
  auto draw = [&](int row) {
    QImage image(200, kLanguageEntryHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter canvas(&image);
    chooser_->DrawLanguage(canvas, row, QRect(0, 0, 200, kLanguageEntryHeight), false);
    canvas.end();
    return image;
  };
  // Y = (0 + 32 - 28) / 2 = 2: the frame's outline at row 1 and column 3.
  for (int row : {1, 2}) {
    const QImage entry = draw(row);
    EXPECT_EQ(entry.pixelColor(3, 1), kCream) << row;
    EXPECT_EQ(entry.pixelColor(3 + 40, 1 + 27), kCream) << row; // 39 x 26 flag
    EXPECT_EQ(entry.pixelColor(4, 2), kFrenchBlue) << row;
  }
  // German has no flag: a 2 x 2 frame and nothing inside it.
  const QImage flagless = draw(3);
  for (QPoint p : {QPoint(3, 1), QPoint(4, 1), QPoint(3, 2), QPoint(4, 2)}) {
    EXPECT_EQ(flagless.pixelColor(p), kCream);
  }
  EXPECT_NE(flagless.pixelColor(5, 3), kCream);
}

} // namespace
} // namespace vandrel::test
