#pragma once
// The list of installed programs, as the system's uninstall entries give it.

#include <map>
#include <vector>

#include "platform/Strings.h"

namespace vandrel::platform {

struct InstalledProgram {
  /// The entry's own name: the uninstall subkey (Win32), the desktop
  /// entry's file name without ".desktop" (POSIX).
  AnsiString entry_name;
  /// "DisplayName" (Win32, when it is a string) or "Name" of the desktop
  /// entry (POSIX, unlocalised); empty with has_display_name false when
  /// there is none.
  AnsiString display_name;
  bool has_display_name = false;
  /// Every other string the entry holds: the subkey's string values
  /// (Win32), the keys of the "[Desktop Entry]" group (POSIX).
  std::map<AnsiString, AnsiString> fields;
};

/// Every entry, in the system's order. Win32: the subkeys of
/// "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\" under
/// HKEY_CURRENT_USER, then under HKEY_LOCAL_MACHINE in the 64-bit and the
/// 32-bit view. POSIX: the "*.desktop" files of the XDG applications
/// folders, $XDG_DATA_HOME first, then each of $XDG_DATA_DIRS; an entry
/// shadows later ones of the same file name, and one marked "Hidden=true"
/// counts as removed. Entries that cannot be read are skipped.
std::vector<InstalledProgram> ListInstalledPrograms();

} // namespace vandrel::platform
