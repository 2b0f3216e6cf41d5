#include "engine/U_UnicodeUtils.h"

#include <cerrno>

namespace vandrel {

namespace {

using namespace platform;

// Desired access by the access bits of a mode word; 3 is invalid.
constexpr std::uint32_t kAccessByBits[3] = {kGenericRead, kGenericWrite,
                                            kGenericRead | kGenericWrite};
// Share mode by the share value (mode and 0xF0) >> 4; above 4 is invalid.
constexpr std::uint32_t kShareByValue[5] = {0, 0, kFileShareRead, kFileShareWrite,
                                            kFileShareRead | kFileShareWrite};

size_t LastDelimiter(const WideString& s) {
  for (size_t i = s.size(); i > 0; --i) {
    if (IsPathDelimiter(s[i - 1])) {
      return i - 1;
    }
  }
  return WideString::npos;
}

} // namespace

FileHandle WFileOpen(const WideString& name, std::uint16_t mode) {
  const unsigned access = mode & 0x3;
  const unsigned share = (mode & 0xF0) >> 4;
  if (name.empty() || access == 3 || share > 4) {
    errno = EINVAL;
    return kInvalidHandle;
  }
  return CreateFile(name, kAccessByBits[access], kShareByValue[share], kOpenExisting,
                    kFileAttributeNormal);
}

FileHandle WCreateFile(const WideString& name, std::uint32_t desired_access,
                       std::uint32_t share_mode, std::uint32_t creation_disposition,
                       std::uint32_t flags_and_attributes) {
  if (name.size() < 3) {
    errno = EINVAL;
    return kInvalidHandle;
  }
  return CreateFile(name, desired_access, share_mode, creation_disposition, flags_and_attributes);
}

bool WCreateDirectory(const WideString& name) {
  return CreateDirectory(name);
}
bool WDeleteFile(const WideString& name) {
  return DeleteFile(name);
}

FileHandle WFindFirstFile(const WideString& pattern, TWin32FindDataW& data) {
  return FindFirst(pattern, data);
}
bool WFindNextFile(FileHandle search, TWin32FindDataW& data) {
  return FindNext(search, data);
}
void WFindClose(FileHandle search) {
  FindClose(search);
}

// Both look the name up literally: a name may hold "*" or "?" on Linux.
bool WFileExists(const WideString& name) {
  const FileKind kind = QueryFile(name).kind;
  return kind == FileKind::Regular || kind == FileKind::Special;
}

bool WDirectoryExists(const WideString& name) {
  if (IsBareDrive(name)) {
    return DriveIsPresent(name);
  }
  return QueryFile(name).kind == FileKind::Directory;
}

WideString WIncludeTrailingBackslash(const WideString& s) {
  if (s.empty() || s.back() == PathSeparator()) {
    return s;
  }
  return s + PathSeparator();
}

WideString WExcludeTrailingBackslash(const WideString& s) {
  if (!s.empty() && s.back() == PathSeparator()) {
    return s.substr(0, s.size() - 1);
  }
  return s;
}

WideString WExtractFileName(const WideString& s) {
  const size_t at = LastDelimiter(s);
  return at == WideString::npos ? s : s.substr(at + 1);
}

WideString WExtractFileDir(const WideString& s) {
  const size_t at = LastDelimiter(s);
  return at == WideString::npos ? WideString() : s.substr(0, at);
}

} // namespace vandrel
