#pragma once
// Where the program keeps its settings and per-user files, and how an
// installed copy is told from a portable one.
//
// Settings live in the product key "SOFTWARE\Tolvane\Vandrel" under
// HKEY_CURRENT_USER (through platform/Registry.h). A portable copy (one no entry of
// the installed-program list names) carries them in "settings.ini" beside
// its executable: loaded into the product key when the main window is
// made, written back and removed from the registry when it closes.
//
// Texts are 8-bit (UTF-8 on Linux); folder names end with the platform's
// separator. Linux meanings: the roaming data folder is $XDG_DATA_HOME, the
// installed-program list comes from the XDG desktop entries, there is no
// VirtualStore and no WOW64 redirection.

#include <cstdint>
#include <vector>

#include "platform/Strings.h"

namespace vandrel {

class TKLog;

/// "SOFTWARE\Tolvane" and "SOFTWARE\Tolvane\Vandrel" under
/// HKEY_CURRENT_USER.
AnsiString CompanyKeyPath();
AnsiString ProductKeyPath();

/// The string value Name of the product key, or "" when it does not exist
/// or is not a string. Opens the product key for writing and creates it
/// when missing (what the main window's ReadSetting does).
AnsiString ReadProductSetting(const AnsiString& Name);

/// Opens (creating when missing) the company key and writes the string
/// value Title = ExePath. False when the registry refused.
bool WriteProductPath(const AnsiString& Title, const AnsiString& ExePath);
/// Opens (creating when missing) the company key and deletes its value
/// Name; a missing value is no error.
void DeleteCompanyValue(const AnsiString& Name);
/// Deletes "SOFTWARE\Tolvane\"Product under HKEY_CURRENT_USER with all its
/// subkeys; a missing key is no error.
void DeleteProductKey(const AnsiString& Product);
/// Deletes the company key when it exists and has no subkeys and no
/// values; never creates it.
void DeleteCompanyKeyIfEmpty();

/// An entry of the "Settings_DWORD" section as a whole number: optional
/// blanks, an optional sign, then decimal digits (within the 32-bit signed
/// range) or hexadecimal ones after "0x" or "$" (at most 32 bits). Anything
/// else, text after the number included, gives false and value 0.
bool ParseIniInteger(const AnsiString& Text, std::int32_t& Value);

/// Loads section "Settings" (string values) and "Settings_DWORD" (DWORD
/// values) of IniPath, in file order, into "SOFTWARE\Tolvane\"Product,
/// creating the key. Values the file does not name stay. A missing file
/// leaves the key created and unchanged. Returns false when a value could
/// not be written into the key (the others are still written).
bool ImportSettingsFromIni(const AnsiString& Product, const AnsiString& IniPath);
/// Writes the key's REG_SZ values into section "Settings" and its REG_DWORD
/// values, as signed decimals, into "Settings_DWORD" of IniPath, entry by
/// entry; other types are skipped, entries the key lacks stay in the file.
/// True when every value was processed; the first failure to read a value
/// or write the file stops and gives false.
bool ExportSettingsToIni(const AnsiString& Product, const AnsiString& IniPath);

/// "Tolvane Vandrel": the prefix an installed copy's entry begins with.
AnsiString InstalledProgramPrefix();
/// True when an entry of the installed-program list (display name, or the
/// entry's own name when it has none) begins with Prefix, without regard
/// to ASCII case. Scans afresh at every call.
bool IsInstalled(const AnsiString& Prefix);

/// The data folder: the roaming data folder, "Tolvane", Title, created
/// when missing; the folder of ExePath when that fails. Ends with a
/// separator.
AnsiString GetDataFolder(const AnsiString& ExePath, const AnsiString& Title);

/// Deletes the entries of Folder matching Extension ("*" for all; else
/// files whose extension equals it without regard to case, and subfolders
/// whose name ends with it), recursing into matching subfolders, clears
/// read-only first, then removes Folder when it is empty. A symbolic link
/// is removed as a link: its target and the target's contents are never
/// touched. Failures are not reported; always returns true. The portable
/// shut-down calls it through SavePortableSettings, which never points it
/// at the executable's folder.
bool DeleteFolderTree(const AnsiString& Folder, const AnsiString& Extension);
/// Removes the language files (".SPK") from the VirtualStore mirror of
/// ExeFolder and the mirror when nothing else is left; returns the
/// mirror's path when it existed, else "". Always "" on Linux.
AnsiString CleanVirtualStore(const AnsiString& ExeFolder);
/// Removes the company data folder (roaming data folder and "Tolvane")
/// when it has no subfolders; fails quietly when files remain.
void RemoveEmptyCompanyDataFolder();
/// Appends the full path of every direct subfolder of Folder to List.
void ListSubfolders(const AnsiString& Folder, std::vector<AnsiString>& List);
/// Turns WOW64 file-system redirection of the calling thread off (Disable
/// true) or on; false only when the switch failed. Always true on Linux.
bool SwitchWow64Redirection(bool Disable);
/// Path with each existing component written the way the file system
/// stores it (long names, stored letter case). Components holding "*" or
/// "?" are kept as given, never matched as wildcards.
WideString GetOnDiskPath(const WideString& Path);
/// The address of the burner download page, on the vendor's web site.
AnsiString GetBurnerPageUrl();

/// Sends the registry's own reports (a damaged hive file kept aside) to
/// Log at level 2 from now on, those made earlier included; null stops it
/// (do so before the log is destroyed).
void LogRegistryReports(TKLog* Log);

/// The executable's folder followed by "settings.ini".
AnsiString PortableSettingsFile(const AnsiString& ExePath);
/// What the main window does when it is made: in portable use, imports
/// "settings.ini" into the product key.
void LoadPortableSettings(const AnsiString& ExePath);
/// What the main window does when it closes: cleans the VirtualStore
/// (logging the mirror at level 0), closes Log after its last save (no save
/// at all in portable use with the data folder beside the program), and in
/// portable use deletes the data folder, removes an empty company data
/// folder, exports the settings and, when that succeeded, removes the
/// product key, the company value, an empty company key and a hive left
/// without values, so only "settings.ini" stays. When the data folder fell
/// back to the executable's folder only the program's own log and burner
/// project files are deleted there. Log may be null.
void SavePortableSettings(const AnsiString& ExePath, const AnsiString& Title, TKLog* Log);

} // namespace vandrel
