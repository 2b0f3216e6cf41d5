#pragma once
// The user's special folders (the running executable's name is
// RunningModuleFileName of platform/SystemInfo.h). Folder names come
// back without a trailing separator, as 8-bit text (UTF-8 on POSIX); an
// empty result means the folder is not known.
//
// Win32: SHGetFolderPathW with CSIDL_APPDATA, CSIDL_LOCAL_APPDATA.
// POSIX: the XDG base directories (a variable that is unset, empty or not
// absolute falls back to the XDG default under $HOME).

#include "platform/Strings.h"

namespace vandrel::platform {

/// Roaming application data (CSIDL_APPDATA): $XDG_DATA_HOME, else
/// $HOME/.local/share. Empty when neither is known.
AnsiString RoamingAppDataFolder();
/// Local application data (CSIDL_LOCAL_APPDATA): $XDG_CACHE_HOME, else
/// $HOME/.cache. Empty when neither is known.
AnsiString LocalAppDataFolder();
/// Per-user configuration: $XDG_CONFIG_HOME, else $HOME/.config (on
/// Windows the roaming application data folder).
AnsiString UserConfigFolder();

/// The folder where Windows file virtualisation mirrors exe_folder for a
/// program without write rights there (the local application data folder,
/// "VirtualStore\" and exe_folder without its drive). Empty when the
/// platform has no such mirror, as on POSIX.
AnsiString VirtualStoreMirror(const AnsiString& exe_folder);

/// Turns the calling thread's WOW64 file-system redirection off (disable
/// true) or on. Returns false only when the switch failed. A no-op that
/// returns true where there is no such redirection (POSIX, 64-bit Windows
/// processes).
bool SetFileSystemRedirection(bool disable);
/// The system folder (CSIDL_SYSTEM, as "C:\Windows\system32"), whose
/// name a 32-bit process on 64-bit Windows must rewrite to reach the 64-bit
/// files. Empty on POSIX, where there is no such folder.
AnsiString SystemFolder();

} // namespace vandrel::platform
