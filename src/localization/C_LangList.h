#pragma once
// TLangList: knows which language files exist, which one is in use, and
// switches languages. The main window carries one named "Langue". At the
// first activation of the application it scans the language folder,
// restores the stored language (or the system's) and applies it; started
// with an argument beginning with "-co" it first writes the template.
//
// Language code: the variant in the high 16 bits, the Windows language
// identifier in the low 16 bits. The file of code C is FilePrefix, C as 8
// upper-case hexadecimal digits and ".SPK", in LanguageFolder().

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/ApplicationEvents.h"
#include "base/Component.h"
#include "localization/C_LangPack.h"

namespace vandrel {

class TLangList;

/// Called before a switch; setting CanChange to false refuses it.
using TBeforeChangeEvent = std::function<void(TLangList* Sender, std::uint32_t OldCode,
                                              std::uint32_t NewCode, bool& CanChange)>;
/// Called after a switch that applied its file.
using TNotifyEvent = std::function<void(TComponent* Sender)>;

/// The language identifiers the scan tries, in its order (145 of them).
const std::vector<std::uint16_t>& LanguageTable();

/// The four numbers of a packed version joined by "." (4.12.0.33).
AnsiString VersionText(std::uint32_t V);

class TLangList : public TComponent {
public:
  /// One language file found by the scan.
  struct TLanguageEntry {
    AnsiString Name;    ///< Title, " [" version "] - ", Detail (UTF-8)
    std::uint32_t Code; ///< language code
  };

  /// An empty list; Root is the owner until Loaded; ExeFolder is the running
  /// executable's folder; RegKey "Software\Qiv\Localization", Autoload true.
  /// Publishes ExcludedComps, LanguageIndex, CplCompatibility, FilePrefix,
  /// SubDir, RegKey and Autoload.
  explicit TLangList(TComponent* owner, AnsiString name = {});
  ~TLangList() override;

  /// Names or paths never written or translated; kept sorted without
  /// regard to case, duplicates dropped.
  const TStrings& ExcludedComps() const { return excluded_; }
  void SetExcludedComps(const TStrings& names);
  /// Index in Languages of the current language.
  int LanguageIndex() const { return language_index_; }
  /// The switch: ignored outside Languages; BeforeLanguageSwitch may refuse;
  /// then the index is taken, stored (with Autoload) and the file applied;
  /// AfterLanguageSwitch follows when it was. Errors of ApplyFile reach the
  /// caller with the index and the stored code already changed.
  void SetLanguageIndex(int index);

  bool CplCompatibility = false;                     ///< translate only the owner window
  AnsiString FilePrefix;                             ///< text before every language file name
  AnsiString SubDir;                                 ///< sub-folder of the language files
  AnsiString RegKey = "Software\\Qiv\\Localization"; ///< HKEY_CURRENT_USER key; empty: none
  bool Autoload = true; ///< restore at first activation, store every switch
  TBeforeChangeEvent BeforeLanguageSwitch;
  TNotifyEvent AfterLanguageSwitch;

  /// The language files of the last scan, in scan order.
  const std::vector<TLanguageEntry>& Languages() const { return languages_; }
  /// Folder of the executable with a trailing separator. SetExeFolder is for
  /// tests and embedders that know better.
  const WideString& ExeFolder() const { return exe_folder_; }
  void SetExeFolder(const WideString& folder);
  /// The command-line arguments FirstActivation looks at (without the
  /// program name); the program entry sets them.
  void SetArguments(std::vector<AnsiString> arguments) { arguments_ = std::move(arguments); }
  /// The tree that is translated: the application object (the owner's top
  /// owner), or the owner window with CplCompatibility; decided at Loaded.
  TComponent* Root() const { return root_; }
  /// The template record and the current-language record; null before
  /// Loaded.
  TLanguageRecord* Template() const { return template_.get(); }
  TLanguageRecord* Current() const { return current_.get(); }
  /// True when the last switch applied its file.
  bool LanguageLoaded() const { return language_loaded_; }

  /// Settles Root, creates both records (write revision 4) and the
  /// activation hook.
  void Loaded() override;

  /// ExeFolder + SubDir when that folder exists; else ExeFolder + "system/"
  /// + SubDir; else the executable's own folder (a build tree or a portable
  /// copy keeps its language files beside the program); else the current
  /// folder + SubDir. Always with a trailing separator.
  WideString LanguageFolder() const;
  /// Rebuilds Languages from the files of LanguageTable(), variants 0, 1, ...
  /// of each until one is missing; true when at least one file opened.
  bool ScanLanguages();
  /// The language code of entry Index; 0 out of range.
  std::uint32_t LanguageCode(int Index) const;
  /// Switches to the first entry of exactly Code, else of its language
  /// identifier, else of its primary language; false when none.
  bool SelectByCode(std::uint32_t Code);
  /// Switches to the best entry for platform::UserDefaultLangId().
  bool SelectSystemLanguage();
  /// With RegKey empty: false, no registry access. Otherwise the stored code
  /// (DWORD value named after this component) selects by code, or the system
  /// language when nothing is stored. A stored value of another type raises
  /// Exception "Invalid data type for '<name>'".
  bool RestoreLanguage();
  /// Stores the current code under RegKey; true when RegKey is not empty.
  bool SaveLanguage();
  /// Current's Title and Heading when LanguageLoaded, else empty.
  AnsiString CurrentTitle() const;
  AnsiString CurrentHeading() const;
  /// The flag of a language identifier from its variant-0 file. False, and
  /// an empty Bitmap, when that file is missing, holds fewer than 6 records
  /// or no valid picture.
  bool LoadFlag(std::uint16_t LangId, TBitmap& Bitmap);
  /// Writes the template (FilePrefix + "ORIGINAL.SPK" in LanguageFolder());
  /// false when it could not be written.
  bool WriteTemplate();
  /// The activation handler; acts once: "-co" template, scan, restore.
  void FirstActivation();

protected:
  virtual void DoBeforeLanguageSwitch(std::uint32_t OldCode, std::uint32_t NewCode,
                                      bool& CanChange);
  virtual void DoAfterLanguageSwitch();

private:
  WideString FileNameOf(std::uint32_t code) const;
  bool SwitchToFirst(const std::function<bool(std::uint32_t)>& matches);

  TStrings excluded_;
  int language_index_ = 0;
  std::vector<TLanguageEntry> languages_;
  WideString exe_folder_;
  std::vector<AnsiString> arguments_;
  TComponent* root_ = nullptr;
  std::unique_ptr<TLanguageRecord> template_;
  std::unique_ptr<TLanguageRecord> current_;
  bool language_loaded_ = false;
  TApplicationEvents* activation_hook_ = nullptr; // owned as a component
  bool activated_ = false;
};

/// True for an argument that asks for the template: it begins with "-co"
/// once lower-cased and its first "/" read as "-". An argument beginning
/// with "/" that names an existing file or folder, or holds another "/", is
/// a path and never such a switch.
bool IsTemplateSwitch(const AnsiString& Argument);

} // namespace vandrel
