#include "platform/win32/Windows.h"

#include "platform/FileAttributes.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

bool IsSymbolicLink(const WideString& name) {
  const DWORD attributes = GetFileAttributesW(win32::Wide(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool MakeWritable(const WideString& name) {
  if (IsSymbolicLink(name)) {
    return true;
  }
  return SetFileAttributesW(win32::Wide(name).c_str(), FILE_ATTRIBUTE_ARCHIVE) != 0;
}

int FilePermissions(const WideString&) {
  return -1;
}

bool SetFilePermissions(const WideString&, int) {
  return true;
}

} // namespace vandrel::platform
