#pragma once
// The file-system seam. Names are UTF-16; the constants keep the Win32
// values so the layer above reads like the calls it stands for, and the
// Win32 backend passes them straight through.
//
// POSIX backend: open/openat with O_CLOEXEC, names in UTF-8, separator "/".
// Share modes are honoured between openers that go through this seam (in
// this or another process) with open-file-description locks on marker bytes
// far past any real data, so an opener is refused exactly when Windows would
// refuse it with a sharing violation. Locks are advisory: other programs are
// not kept out, and their own locks (flock, lockf, fcntl) never make an
// open wait or fail. Names are bytes; they go through DecodeNativeName /
// EncodeNativeName, so a name that is not valid UTF-8 round-trips.

#include <cstdint>

#include "platform/Strings.h"

namespace vandrel::platform {

using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidHandle = -1;

// Desired access.
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
// Share mode.
inline constexpr std::uint32_t kFileShareRead = 0x1;
inline constexpr std::uint32_t kFileShareWrite = 0x2;
// Creation disposition.
inline constexpr std::uint32_t kCreateNew = 1;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kOpenAlways = 4;
inline constexpr std::uint32_t kTruncateExisting = 5;
// Attributes.
inline constexpr std::uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;

/// The error code of a sharing violation (Win32: ERROR_SHARING_VIOLATION;
/// POSIX: a code of our own above the errno range). ErrorText names it.
int SharingViolationError();

enum class SeekOrigin { Begin = 0, Current = 1, End = 2 };

/// The path separator of this platform: "\" on Windows, "/" elsewhere.
char16_t PathSeparator();
/// True for the characters that end a folder part of a name: "\" and ":"
/// on Windows, "/" elsewhere.
bool IsPathDelimiter(char16_t ch);
/// True when the name is a bare drive ("X:" or "X:\"); never on POSIX.
bool IsBareDrive(const WideString& name);
/// For a bare drive: whether a volume is behind it (Win32: GetDriveTypeA
/// above DRIVE_NO_ROOT_DIR). Always false on POSIX.
bool DriveIsPresent(const WideString& name);

/// CreateFile: opens or creates with the given access, sharing and
/// disposition. Returns kInvalidHandle on failure with LastError() set.
/// Win32: long-path form first ("\\?\" or "\\?\UNC\"), then one retry
/// with the plain name (which rescues relative names): the ANSI call when
/// the name converts exactly to the ANSI code page, else the W call, never
/// a best-fit name that could open or truncate another file.
FileHandle CreateFile(const WideString& name, std::uint32_t desired_access,
                      std::uint32_t share_mode, std::uint32_t creation_disposition,
                      std::uint32_t flags_and_attributes);
/// Closes a handle; invalid handles are ignored. False when the system
/// reported an error on close (a delayed write error), with LastError().
bool CloseFile(FileHandle handle);
/// Puts the file's data on the disk (fsync / FlushFileBuffers).
bool FlushFile(FileHandle handle);
/// Tests only: the next FlushFile calls fail with this error (0: none).
void SetFlushFailureForTesting(int error);
/// Bytes read, 0 at the end of the file, -1 on failure.
std::int64_t ReadFile(FileHandle handle, void* buffer, std::int64_t count);
/// Bytes written, -1 on failure (a full disk gives a short count or -1).
std::int64_t WriteFile(FileHandle handle, const void* buffer, std::int64_t count);
/// New position, or -1 on failure.
std::int64_t SeekFile(FileHandle handle, std::int64_t offset, SeekOrigin origin);
/// Ends the file at the current position.
bool SetEndOfFile(FileHandle handle);

/// Outcome of CopyData.
struct CopyResult {
  std::int64_t copied = 0; ///< bytes moved from source to target
  enum class Failure { None, ShortRead, Read, Write } failure = Failure::None;
  int error = 0; ///< system error code of a Read or Write failure
};
/// Copies count bytes from the source's position to the target's position,
/// advancing both. POSIX: in the kernel (copy_file_range, then sendfile) with
/// no copy through user space; read/write through one buffer otherwise, and
/// for the rest of a copy after the kernel refused, so a failure is always
/// told as the read or the write side. Stops early only on a failure.
CopyResult CopyData(FileHandle source, FileHandle target, std::int64_t count);

bool CreateDirectory(const WideString& name);
/// DeleteFile removes a file, never a folder. Like Windows, it refuses
/// (SharingViolationError()) while any opener of this seam holds the file.
bool DeleteFile(const WideString& name);
bool RemoveDirectory(const WideString& name);

/// One entry of a folder search.
struct FindData {
  std::uint32_t attributes = 0;
  std::int64_t size = 0;
  double last_write_time = 0; ///< days since 30 December 1899, local time
  WideString name;            ///< name inside its folder
};
using FindHandle = std::intptr_t;
inline constexpr FindHandle kInvalidFind = -1;
/// FindFirstFile: the pattern's last part may hold "*" and "?". POSIX: "."
/// and ".." are not listed; a pattern without wildcards finds that entry.
FindHandle FindFirst(const WideString& pattern, FindData& data);
bool FindNext(FindHandle search, FindData& data);
void FindClose(FindHandle search);

/// What a name is, following symbolic links, looked up literally: no
/// character of the name is a wildcard.
enum class FileKind {
  Missing,   ///< nothing of that name (or it cannot be reached)
  Regular,   ///< a file with data of its own
  Directory, ///< a folder (a bare drive on Windows)
  Special,   ///< a FIFO, socket, device, or a file of a kernel pseudo file system
             ///< such as /proc and /sys, whose size says nothing of its contents
};
struct FileStatus {
  FileKind kind = FileKind::Missing;
  std::int64_t size = 0; ///< bytes, for a regular file
};
FileStatus QueryFile(const WideString& name);

/// Owns a file handle and closes it.
class ScopedFile {
public:
  ScopedFile() = default;
  explicit ScopedFile(FileHandle handle) : handle_(handle) {}
  ~ScopedFile() { CloseFile(handle_); }
  ScopedFile(ScopedFile&& other) noexcept : handle_(other.Release()) {}
  ScopedFile& operator=(ScopedFile&& other) noexcept {
    if (this != &other) {
      CloseFile(handle_);
      handle_ = other.Release();
    }
    return *this;
  }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  bool IsValid() const { return handle_ != kInvalidHandle; }
  FileHandle Get() const { return handle_; }
  FileHandle Release() {
    const FileHandle handle = handle_;
    handle_ = kInvalidHandle;
    return handle;
  }
  /// Closes now and tells whether the close went well.
  bool Close() { return CloseFile(Release()); }

private:
  FileHandle handle_ = kInvalidHandle;
};

/// Lists the entries of one folder (FindFirst on folder + "*"), closing the
/// search when done. The folder's name is literal.
class FolderListing {
public:
  explicit FolderListing(const WideString& folder);
  ~FolderListing();
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;
  /// The next entry; false at the end or when the folder cannot be read.
  bool Next(FindData& data);

private:
  FindHandle search_ = kInvalidFind;
  FindData first_;
  bool first_pending_ = false;
};

/// The calling thread's last system error code (errno / GetLastError).
int LastError();
/// The system's text for an error code (strerror / FormatMessage).
AnsiString ErrorText(int error);

} // namespace vandrel::platform
