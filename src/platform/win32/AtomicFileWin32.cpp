#include "platform/win32/Windows.h"

#include <cstdio>
#include <functional>
#include <mutex>
#include <set>
#include <string>

#include "platform/AtomicFile.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

namespace {

enum class Links { Follow, Refuse };

struct Handle {
  HANDLE value = INVALID_HANDLE_VALUE;
  ~Handle() {
    if (value != INVALID_HANDLE_VALUE && value != nullptr) {
      CloseHandle(value);
    }
  }
};

void TellRefused(const std::string& path) {
  static std::mutex mutex;
  static std::set<std::string> told;
  std::lock_guard guard(mutex);
  if (told.insert(path).second) {
    std::fprintf(stderr,
                 "vandrel: %s is a link or a device, not a regular file; it is neither read nor "
                 "written\n",
                 path.c_str());
  }
}

// Missing, a regular file, or something we leave alone (a folder, a device,
// with Refuse a reparse point).
enum class Kind { Missing, Regular, Other };

Kind KindOf(const std::wstring& name, Links links) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Kind::Missing
                                                                          : Kind::Other;
  }
  if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) {
    return Kind::Other;
  }
  if (links == Links::Refuse && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return Kind::Other;
  }
  return Kind::Regular;
}

ReadResult Read(const AnsiString& path, std::string& bytes, Links links) {
  bytes.clear();
  const std::wstring name = win32::Wide(path);
  const Kind kind = KindOf(name, links);
  if (kind == Kind::Missing) {
    return ReadResult::Missing;
  }
  if (kind == Kind::Other) {
    if (links == Links::Refuse) {
      TellRefused(path);
    }
    return ReadResult::Failed;
  }
  Handle file;
  file.value = CreateFileW(name.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file.value == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_FILE_NOT_FOUND ? ReadResult::Missing : ReadResult::Failed;
  }
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.value, buffer, sizeof buffer, &got, nullptr)) {
      bytes.clear();
      return ReadResult::Failed;
    }
    if (got == 0) {
      return ReadResult::Ok;
    }
    bytes.append(buffer, got);
  }
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD put = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    if (!WriteFile(file, bytes.data() + done, chunk, &put, nullptr) || put == 0) {
      return false;
    }
    done += put;
  }
  return true;
}

// A temporary file beside the target, flushed and moved over it: readers
// see the old or the new content. A read-only target refuses, as a write
// to it would.
bool Replace(const AnsiString& path, const std::string& bytes, Links links) {
  const std::wstring name = win32::Wide(path);
  const Kind kind = KindOf(name, links);
  if (kind == Kind::Other) {
    if (links == Links::Refuse) {
      TellRefused(path);
    }
    return false;
  }
  if (kind == Kind::Regular) {
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
  }
  const std::wstring temporary = name + L".tmp-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(GetCurrentThreadId());
  {
    Handle file;
    file.value = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file.value == INVALID_HANDLE_VALUE) {
      return false;
    }
    if (!WriteAll(file.value, bytes) || !FlushFileBuffers(file.value)) {
      CloseHandle(file.value);
      file.value = INVALID_HANDLE_VALUE;
      DeleteFileW(temporary.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temporary.c_str(), name.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    SetLastError(error);
    return false;
  }
  return true;
}

// Writers of one file in any process wait for each other on a mutex named
// after the file (no lock file is left behind).
std::wstring LockName(const AnsiString& path) {
  std::wstring full(MAX_PATH, L'\0');
  const std::wstring name = win32::Wide(path);
  DWORD length =
      GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length + 1);
    length = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  full.resize(length == 0 ? 0 : length);
  if (full.empty()) {
    full = name;
  }
  CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
  // Mutex names may not hold a backslash; a hash keeps them short.
  std::uint64_t hash = 1469598103934665603ull;
  for (wchar_t ch : full) {
    hash = (hash ^ static_cast<std::uint16_t>(ch)) * 1099511628211ull;
  }
  return L"Local\\vandrel-file-" + std::to_wstring(hash);
}

} // namespace

ReadResult ReadWholeFile(const AnsiString& path, std::string& bytes) {
  return Read(path, bytes, Links::Follow);
}

bool ReplaceWholeFile(const AnsiString& path, const std::string& bytes) {
  return Replace(path, bytes, Links::Follow);
}

ReadResult ReadRegularFile(const AnsiString& path, std::string& bytes) {
  return Read(path, bytes, Links::Refuse);
}

bool ReplaceRegularFile(const AnsiString& path, const std::string& bytes) {
  return Replace(path, bytes, Links::Refuse);
}

bool WriteRegularFile(const AnsiString& path, const std::string& bytes) {
  const std::wstring name = win32::Wide(path);
  if (KindOf(name, Links::Refuse) == Kind::Other) {
    TellRefused(path);
    return false;
  }
  Handle file;
  file.value = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file.value == INVALID_HANDLE_VALUE) {
    return false;
  }
  return WriteAll(file.value, bytes);
}

bool UpdateRegularFile(const AnsiString& path, const std::function<bool(std::string&)>& change) {
  Handle lock;
  lock.value = CreateMutexW(nullptr, FALSE, LockName(path).c_str());
  if (lock.value == nullptr) {
    lock.value = INVALID_HANDLE_VALUE;
    return false;
  }
  const DWORD waited = WaitForSingleObject(lock.value, INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    return false;
  }
  std::string text;
  bool written = false;
  if (Read(path, text, Links::Refuse) != ReadResult::Failed) {
    written = !change(text) || Replace(path, text, Links::Refuse);
  }
  ReleaseMutex(lock.value);
  return written;
}

} // namespace vandrel::platform
