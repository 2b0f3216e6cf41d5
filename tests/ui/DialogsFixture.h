#pragma once
// The main window with the About box and the settings dialog created as the
// program entry creates them, the project's built language files in a
// folder of the test's own, and helpers to read the stored language and to
// make a click on a language entry.

#include <QListWidget>
#include <QtTest/QTest>

#include <filesystem>
#include <memory>
#include <optional>

#include "MainWindowFixture.h"
#include "localization/C_LangList.h"
#include "localization/qt/Lang_langChoice.h"
#include "platform/Registry.h"
#include "shell/qt/Settings.h"
#include "shell/qt/U_about.h"
#include "ui/Qburn.h"

namespace vandrel::test {

inline constexpr std::uint32_t kEnglish = 0x0409;
inline constexpr std::uint32_t kFrench = 0x040C;

/// The built language file of a code.
inline std::filesystem::path BuiltLanguageFile(std::uint32_t code) {
  char name[32];
  std::snprintf(name, sizeof name, "Vandrel_%08X.SPK", code);
  return std::filesystem::path(VANDREL_LANGUAGE_DIR) / name;
}

/// Copies the built language files of codes into folder.
inline void CopyLanguageFiles(const std::filesystem::path& folder,
                              std::initializer_list<std::uint32_t> codes) {
  std::filesystem::create_directories(folder);
  for (std::uint32_t code : codes) {
    std::filesystem::copy_file(BuiltLanguageFile(code), folder / BuiltLanguageFile(code).filename(),
                               std::filesystem::copy_options::overwrite_existing);
  }
}

/// The language code stored for the main window's list, if any.
inline std::optional<std::uint32_t> StoredLanguage() {
  platform::RegistryKey key;
  std::uint32_t code = 0;
  if (key.Open(platform::RegistryRoot::CurrentUser, "Software\\Tolvane\\Vandrel", false, false) !=
          platform::RegistryStatus::Ok ||
      key.ReadDword("Langue", code) != platform::RegistryStatus::Ok) {
    return std::nullopt;
  }
  return code;
}

inline void ForgetStoredLanguage() {
  platform::RegistryKey key;
  if (key.Open(platform::RegistryRoot::CurrentUser, "Software\\Tolvane\\Vandrel", false) ==
      platform::RegistryStatus::Ok) {
    key.DeleteValue("Langue");
  }
}

/// A mouse click on entry row of a chooser's list, as a user makes it.
/// The chooser's window is shown for the click if it is hidden.
inline void ClickLanguage(TLanguageChoice& chooser, int row) {
  QWidget* window = chooser.window();
  const bool hidden = !window->isVisible();
  if (hidden) {
    window->show();
    QCoreApplication::processEvents();
  }
  QListWidget* box = chooser.LanguageBox;
  ASSERT_NE(box->item(row), nullptr) << row;
  const QRect rect = box->visualItemRect(box->item(row));
  QTest::mouseClick(box->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
  if (hidden) {
    window->hide();
  }
}

class DialogsTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ForgetStoredLanguage();
  }
  void TearDown() override {
    CloseDialogs();
    MainWindowTest::TearDown();
    ForgetStoredLanguage();
  }

  /// Opens the window with the language files in languages_ (beside the
  /// program), the burner hand-off dialog and the two dialogs; before_activation runs after the
  /// dialogs exist.
  Tmain& OpenWithDialogs(std::vector<std::string> arguments = {},
                         const std::function<void(Tmain&)>& before_activation = nullptr) {
    CloseDialogs();
    return Open(std::move(arguments), [&](Tmain& window) {
      window.Langue->SetExeFolder(W(languages_.path().string() + "/"));
      burn_ = std::make_unique<TQburnDlg>(&window);
      window.QburnDlg = burn_.get();
      about_ = std::make_unique<TAboutDlg>(&window);
      settings_ = std::make_unique<TSettingsDlg>(&window, window.Langue);
      window.AboutDlg = about_.get();
      window.SettingsDlg = settings_.get();
      if (before_activation) {
        before_activation(window);
      }
    });
  }
  /// The dialogs go before the window, as at the end of the program.
  void CloseDialogs() {
    settings_.reset();
    about_.reset();
    burn_.reset();
  }
  TAboutDlg& about() { return *about_; }
  TSettingsDlg& settings() { return *settings_; }
  TLanguageChoice& chooser() { return *settings_->lang; }
  /// The chooser's row of a language code; -1 when not listed.
  int RowOf(std::uint32_t code) {
    TLangList* list = window().Langue;
    for (int i = 0; i < static_cast<int>(list->Languages().size()); ++i) {
      if (list->LanguageCode(i) == code) {
        return i;
      }
    }
    return -1;
  }

  TempDir languages_;

private:
  std::unique_ptr<TQburnDlg> burn_;
  std::unique_ptr<TAboutDlg> about_;
  std::unique_ptr<TSettingsDlg> settings_;
};

} // namespace vandrel::test
