#include <cstdlib>
#include <string>

#include "platform/SpecialFolders.h"

namespace vandrel::platform {

namespace {

// The XDG rules: a variable that is unset, empty or relative is ignored.
AnsiString XdgFolder(const char* variable, const char* default_under_home) {
  const char* value = std::getenv(variable);
  AnsiString folder;
  if (value != nullptr && value[0] == '/') {
    folder = value;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
      return {};
    }
    folder = AnsiString(home) + "/" + default_under_home;
  }
  while (folder.size() > 1 && folder.back() == '/') {
    folder.pop_back();
  }
  return folder;
}

} // namespace

AnsiString RoamingAppDataFolder() {
  return XdgFolder("XDG_DATA_HOME", ".local/share");
}
AnsiString LocalAppDataFolder() {
  return XdgFolder("XDG_CACHE_HOME", ".cache");
}
AnsiString UserConfigFolder() {
  return XdgFolder("XDG_CONFIG_HOME", ".config");
}

AnsiString VirtualStoreMirror(const AnsiString&) {
  return {};
}

bool SetFileSystemRedirection(bool) {
  return true;
}

AnsiString SystemFolder() {
  return {};
}

} // namespace vandrel::platform
