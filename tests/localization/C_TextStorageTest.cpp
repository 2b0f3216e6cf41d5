#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "localization/C_TextStorage.h"

namespace vandrel {
namespace {

TTextStorage& LoadedStorage(TComponent& owner, const TStrings& english) {
  auto* ts = new TTextStorage(&owner, "TS");
  ts->SetItems(english);
  ts->Loaded();
  return *ts;
}

TEST(TextStorageTest, TranslatesByPositionOfTheEnglishText) {
  TComponent window(nullptr, "main");
  TTextStorage& ts = LoadedStorage(window, {"Done.", "unused", "Split : %s", "Done."});
  ts.SetProp("items", TStrings{"Terminé.", "unused", "Découpe : %s", "Autre"});
  struct Case {
    const char* english;
    const char* expected;
  } cases[] = {
      {"Done.", "Terminé."},          // listed
      {"DONE.", "Terminé."},          // other letter case
      {"Not listed", "Not listed"},   // unchanged
      {"unused", "unused"},           // the retired slot gives back the argument
      {"Split : %s", "Découpe : %s"}, // placeholders are filled after lookup
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ts.Translate(c.english), c.expected) << c.english;
  }
  EXPECT_EQ(ts.EnglishTexts()[0], "Done.");
}

TEST(TextStorageTest, RetiredSlotNeverLeaksUnused) {
  TComponent window(nullptr, "main");
  TTextStorage& ts = LoadedStorage(window, {"Old text"});
  ts.SetItems({"unused"});
  EXPECT_EQ(ts.Translate("old TEXT"), "old TEXT");
}

TEST(TextStorageTest, NeverLoadedStorageReturnsItsArgument) {
  TTextStorage ts(nullptr);
  ts.SetItems({"Done."});
  EXPECT_TRUE(ts.EnglishTexts().empty());
  EXPECT_EQ(ts.Translate("Done."), "Done.");
}

TEST(TextStorageTest, WorkerTranslatesWhileLanguagesSwitch) {
  TComponent window(nullptr, "main");
  TTextStorage& ts = LoadedStorage(window, {"Insert disk", "Cancel"});
  std::atomic<bool> stop{false};
  std::thread worker([&] {
    while (!stop) {
      const AnsiString t = ts.Translate("Insert disk");
      ASSERT_TRUE(t == "Insert disk" || t == "Insérez le disque" || t == "Disk einlegen") << t;
    }
  });
  for (int i = 0; i < 2000; ++i) {
    ts.SetItems(i % 2 ? TStrings{"Insérez le disque", "Annuler"}
                      : TStrings{"Disk einlegen", "Abbrechen"});
  }
  stop = true;
  worker.join();
}

} // namespace
} // namespace vandrel
