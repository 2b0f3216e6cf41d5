#include "platform/win32/Windows.h"

#include <atomic>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

static_assert(kGenericRead == GENERIC_READ && kGenericWrite == GENERIC_WRITE);
static_assert(kFileShareRead == FILE_SHARE_READ && kFileShareWrite == FILE_SHARE_WRITE);
static_assert(kCreateNew == CREATE_NEW && kCreateAlways == CREATE_ALWAYS &&
              kOpenExisting == OPEN_EXISTING && kOpenAlways == OPEN_ALWAYS &&
              kTruncateExisting == TRUNCATE_EXISTING);
static_assert(kFileAttributeReadOnly == FILE_ATTRIBUTE_READONLY &&
              kFileAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY &&
              kFileAttributeNormal == FILE_ATTRIBUTE_NORMAL);
static_assert(static_cast<DWORD>(SeekOrigin::Begin) == FILE_BEGIN &&
              static_cast<DWORD>(SeekOrigin::Current) == FILE_CURRENT &&
              static_cast<DWORD>(SeekOrigin::End) == FILE_END);

namespace {

std::atomic<int> flush_failure{0};

HANDLE AsHandle(FileHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

FileHandle FromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? kInvalidHandle : reinterpret_cast<FileHandle>(handle);
}

void FillFindData(const WIN32_FIND_DATAW& found, FindData& data) {
  data.attributes = found.dwFileAttributes;
  data.size = static_cast<std::int64_t>((static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) |
                                        found.nFileSizeLow);
  data.last_write_time = win32::FileTimeToDateTime(found.ftLastWriteTime.dwLowDateTime,
                                                   found.ftLastWriteTime.dwHighDateTime);
  data.name = win32::Name(found.cFileName);
}

bool IsDotEntry(const wchar_t* name) {
  return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

} // namespace

int SharingViolationError() {
  return ERROR_SHARING_VIOLATION;
}

char16_t PathSeparator() {
  return u'\\';
}

bool IsPathDelimiter(char16_t ch) {
  return ch == u'\\' || ch == u':';
}

bool IsBareDrive(const WideString& name) {
  return (name.size() == 2 || (name.size() == 3 && name[2] == u'\\')) && name[1] == u':';
}

bool DriveIsPresent(const WideString& name) {
  if (!IsBareDrive(name)) {
    return false;
  }
  const char root[] = {static_cast<char>(name[0]), ':', '\\', 0};
  return GetDriveTypeA(root) > DRIVE_NO_ROOT_DIR;
}

FileHandle CreateFile(const WideString& name, std::uint32_t desired_access,
                      std::uint32_t share_mode, std::uint32_t creation_disposition,
                      std::uint32_t flags_and_attributes) {
  if (name.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return kInvalidHandle;
  }
  const std::wstring long_form = win32::LongPathForm(name);
  HANDLE handle = CreateFileW(long_form.c_str(), desired_access, share_mode, nullptr,
                              creation_disposition, flags_and_attributes, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    return FromHandle(handle);
  }
  // The prefixed form fails for relative names; the plain name, once. Only
  // through the A call when the name converts exactly: a best-fit name
  // could open (or truncate) another file. Otherwise the plain W name.
  std::string ansi;
  if (win32::ToAnsiExactly(name, ansi)) {
    handle = CreateFileA(ansi.c_str(), desired_access, share_mode, nullptr, creation_disposition,
                         flags_and_attributes, nullptr);
  } else {
    handle = CreateFileW(win32::Wide(name).c_str(), desired_access, share_mode, nullptr,
                         creation_disposition, flags_and_attributes, nullptr);
  }
  return FromHandle(handle);
}

bool CloseFile(FileHandle handle) {
  if (handle == kInvalidHandle) {
    return true;
  }
  return CloseHandle(AsHandle(handle)) != 0;
}

bool FlushFile(FileHandle handle) {
  if (const int error = flush_failure.load()) {
    SetLastError(static_cast<DWORD>(error));
    return false;
  }
  return FlushFileBuffers(AsHandle(handle)) != 0;
}

void SetFlushFailureForTesting(int error) {
  flush_failure = error;
}

std::int64_t ReadFile(FileHandle handle, void* buffer, std::int64_t count) {
  std::int64_t total = 0;
  auto* into = static_cast<char*>(buffer);
  // One call moves at most 4 GiB - 1; a short read is the end of the file.
  while (total < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::int64_t>(count - total, 1 << 30));
    DWORD got = 0;
    if (!::ReadFile(AsHandle(handle), into + total, chunk, &got, nullptr)) {
      return total > 0 ? total : -1;
    }
    total += got;
    if (got < chunk) {
      break;
    }
  }
  return total;
}

std::int64_t WriteFile(FileHandle handle, const void* buffer, std::int64_t count) {
  std::int64_t total = 0;
  const auto* from = static_cast<const char*>(buffer);
  while (total < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::int64_t>(count - total, 1 << 30));
    DWORD put = 0;
    if (!::WriteFile(AsHandle(handle), from + total, chunk, &put, nullptr)) {
      return total > 0 ? total : -1;
    }
    total += put;
    if (put < chunk) {
      break;
    }
  }
  return total;
}

std::int64_t SeekFile(FileHandle handle, std::int64_t offset, SeekOrigin origin) {
  LARGE_INTEGER distance{};
  distance.QuadPart = offset;
  LARGE_INTEGER position{};
  if (!SetFilePointerEx(AsHandle(handle), distance, &position, static_cast<DWORD>(origin))) {
    return -1;
  }
  return position.QuadPart;
}

bool SetEndOfFile(FileHandle handle) {
  return ::SetEndOfFile(AsHandle(handle)) != 0;
}

CopyResult CopyData(FileHandle source, FileHandle target, std::int64_t count) {
  CopyResult result;
  std::vector<char> buffer(1 << 20);
  while (result.copied < count) {
    const std::int64_t want =
        std::min<std::int64_t>(count - result.copied, static_cast<std::int64_t>(buffer.size()));
    DWORD got = 0;
    if (!::ReadFile(AsHandle(source), buffer.data(), static_cast<DWORD>(want), &got, nullptr)) {
      result.failure = CopyResult::Failure::Read;
      result.error = static_cast<int>(GetLastError());
      return result;
    }
    if (got == 0) {
      result.failure = CopyResult::Failure::ShortRead;
      return result;
    }
    DWORD put = 0;
    if (!::WriteFile(AsHandle(target), buffer.data(), got, &put, nullptr) || put != got) {
      result.failure = CopyResult::Failure::Write;
      result.error =
          put != got && GetLastError() == 0 ? ERROR_DISK_FULL : static_cast<int>(GetLastError());
      result.copied += put;
      return result;
    }
    result.copied += got;
  }
  return result;
}

bool CreateDirectory(const WideString& name) {
  if (name.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  return CreateDirectoryW(win32::LongPathForm(name).c_str(), nullptr) != 0;
}

bool DeleteFile(const WideString& name) {
  return DeleteFileW(win32::Wide(name).c_str()) != 0;
}

bool RemoveDirectory(const WideString& name) {
  return RemoveDirectoryW(win32::Wide(name).c_str()) != 0;
}

FindHandle FindFirst(const WideString& pattern, FindData& data) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(win32::Wide(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return kInvalidFind;
  }
  // "." and ".." are never wanted by the layer above (as on POSIX).
  while (IsDotEntry(found.cFileName)) {
    if (!FindNextFileW(search, &found)) {
      ::FindClose(search);
      SetLastError(ERROR_FILE_NOT_FOUND);
      return kInvalidFind;
    }
  }
  FillFindData(found, data);
  return reinterpret_cast<FindHandle>(search);
}

bool FindNext(FindHandle search, FindData& data) {
  WIN32_FIND_DATAW found{};
  do {
    if (!FindNextFileW(reinterpret_cast<HANDLE>(search), &found)) {
      return false;
    }
  } while (IsDotEntry(found.cFileName));
  FillFindData(found, data);
  return true;
}

void FindClose(FindHandle search) {
  if (search != kInvalidFind) {
    ::FindClose(reinterpret_cast<HANDLE>(search));
  }
}

FileStatus QueryFile(const WideString& name) {
  FileStatus status;
  if (name.empty()) {
    return status;
  }
  if (IsBareDrive(name)) {
    status.kind = DriveIsPresent(name) ? FileKind::Directory : FileKind::Missing;
    return status;
  }
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  bool found = GetFileAttributesExW(win32::LongPathForm(name).c_str(), GetFileExInfoStandard,
                                    &attributes) != 0;
  if (!found) {
    // Relative names have no long-path form.
    found =
        GetFileAttributesExW(win32::Wide(name).c_str(), GetFileExInfoStandard, &attributes) != 0;
  }
  if (!found) {
    return status;
  }
  if (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    status.kind = FileKind::Directory;
  } else if (attributes.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) {
    status.kind = FileKind::Special;
  } else {
    status.kind = FileKind::Regular;
    status.size = static_cast<std::int64_t>(
        (static_cast<ULONGLONG>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow);
  }
  return status;
}

int LastError() {
  return static_cast<int>(GetLastError());
}

} // namespace vandrel::platform
