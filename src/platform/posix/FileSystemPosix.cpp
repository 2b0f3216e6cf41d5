#include <dirent.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/DateTime.h"
#include "platform/FileSystem.h"

namespace vandrel::platform {

namespace {

// Above every errno value, so it never stands for a system error.
constexpr int kSharingViolation = 10032;

// Marker bytes for the share-mode emulation, far past any real file data.
// Every opener holds a read lock on the markers that describe it; it takes
// them first and then looks for conflicting holders, so of two openers that
// race, the later look always sees the other.
constexpr off_t kMarkerBase = off_t{1} << 62;
constexpr off_t kHasRead = kMarkerBase + 0;
constexpr off_t kHasWrite = kMarkerBase + 1;
constexpr off_t kDeniesRead = kMarkerBase + 2;
constexpr off_t kDeniesWrite = kMarkerBase + 3;

// Write-only handles cannot hold read locks; they keep a read-only
// companion descriptor for their markers, closed with the handle.
std::mutex companions_mutex;
std::map<int, int> companions;

template <typename Call> auto RetryOnEintr(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result == -1 && errno == EINTR);
  return result;
}

// The one read-all / write-all loop: short counts are continued, a failure
// after some bytes returns the bytes done.
std::int64_t TransferAll(int fd, char* buffer, std::int64_t count, bool writing) {
  std::int64_t done = 0;
  while (done < count) {
    const auto want = static_cast<size_t>(count - done);
    const ssize_t n = RetryOnEintr(
        [&] { return writing ? write(fd, buffer + done, want) : read(fd, buffer + done, want); });
    if (n < 0) {
      return done > 0 ? done : -1;
    }
    if (n == 0) {
      break;
    }
    done += n;
  }
  return done;
}

std::string Native(const WideString& name) {
  return EncodeNativeName(name);
}

// Locks of other programs (flock, lockf, fcntl) are theirs: only an
// open-file-description lock on a marker, which the kernel reports with
// l_pid -1, is one of ours.
bool OthersHold(int fd, off_t marker) {
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = marker;
  probe.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &probe) != 0) {
    return false; // no lock support on this file system: share nothing
  }
  return probe.l_type != F_UNLCK && probe.l_pid == -1;
}

void HoldMarker(int fd, off_t marker) {
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = marker;
  lock.l_len = 1;
  fcntl(fd, F_OFD_SETLK, &lock); // never waits
}

// Applies the Windows sharing rules. Returns false (kSharingViolation) on a
// sharing violation; the caller closes lock_fd, which drops its markers.
bool ClaimShare(int lock_fd, bool wants_read, bool wants_write, bool shares_read,
                bool shares_write) {
  if (wants_read) {
    HoldMarker(lock_fd, kHasRead);
  }
  if (wants_write) {
    HoldMarker(lock_fd, kHasWrite);
  }
  if (!shares_read) {
    HoldMarker(lock_fd, kDeniesRead);
  }
  if (!shares_write) {
    HoldMarker(lock_fd, kDeniesWrite);
  }
  const bool refused = (wants_read && OthersHold(lock_fd, kDeniesRead)) ||
                       (wants_write && OthersHold(lock_fd, kDeniesWrite)) ||
                       (!shares_read && OthersHold(lock_fd, kHasRead)) ||
                       (!shares_write && OthersHold(lock_fd, kHasWrite));
  if (refused) {
    errno = kSharingViolation;
  }
  return !refused;
}

bool HeldByAnyOpener(int fd) {
  return OthersHold(fd, kHasRead) || OthersHold(fd, kHasWrite) || OthersHold(fd, kDeniesRead) ||
         OthersHold(fd, kDeniesWrite);
}

void CloseKeepingErrno(int fd) {
  const int saved = errno;
  close(fd);
  errno = saved;
}

// Kernel pseudo file systems: their files claim a size (often 0 or 4096)
// that has nothing to do with what reading them gives.
bool IsPseudoFileSystem(const char* path) {
  struct statfs fs {};
  if (statfs(path, &fs) != 0) {
    return false;
  }
  // Magic numbers of linux/magic.h, spelled out: older headers lack some.
  static constexpr unsigned long kPseudo[] = {
      0x9fa0,     // proc
      0x62656572, // sysfs
      0x64626720, // debugfs
      0x74726163, // tracefs
      0x73636673, // securityfs
      0x27e0eb,   // cgroup
      0x63677270, // cgroup2
      0x62656570, // configfs
      0xde5e81e4, // efivarfs
      0x6165676c, // pstore
      0xcafe4a11, // bpf
  };
  const auto type = static_cast<unsigned long>(fs.f_type);
  return std::find(std::begin(kPseudo), std::end(kPseudo), type) != std::end(kPseudo);
}

struct Search {
  DIR* dir = nullptr;
  std::string folder;  // with a trailing "/" or empty
  std::string pattern; // Windows-style pattern of the last part: "*" and "?"
  bool single = false; // a pattern without wildcards: one entry, already given
};

// Windows wildcards: "*" any run, "?" one character; everything else,
// "[", "]" and "\" included, matches itself.
bool MatchesPattern(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name != 0) {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' || *pattern == *name) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') {
    ++pattern;
  }
  return *pattern == 0;
}

bool FillFindData(const std::string& path, const char* name, FindData& data) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 && lstat(path.c_str(), &st) != 0) {
    return false;
  }
  data.attributes = S_ISDIR(st.st_mode) ? kFileAttributeDirectory : 0;
  if (access(path.c_str(), W_OK) != 0 && errno == EACCES) {
    data.attributes |= kFileAttributeReadOnly;
  }
  if (data.attributes == 0) {
    data.attributes = kFileAttributeNormal;
  }
  data.size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::int64_t>(st.st_size);
  data.last_write_time = FromUnixTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  data.name = DecodeNativeName(name);
  return true;
}

bool NextMatch(Search& search, FindData& data) {
  while (dirent* entry = readdir(search.dir)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
      continue;
    }
    if (!MatchesPattern(search.pattern.c_str(), name)) {
      continue;
    }
    if (FillFindData(search.folder + name, name, data)) {
      return true;
    }
  }
  errno = ENOENT;
  return false;
}

} // namespace

int SharingViolationError() {
  return kSharingViolation;
}

char16_t PathSeparator() {
  return u'/';
}
bool IsPathDelimiter(char16_t ch) {
  return ch == u'/';
}
bool IsBareDrive(const WideString&) {
  return false;
}
bool DriveIsPresent(const WideString&) {
  return false;
}

FileHandle CreateFile(const WideString& name, std::uint32_t desired_access,
                      std::uint32_t share_mode, std::uint32_t creation_disposition,
                      std::uint32_t /*flags_and_attributes*/) {
  const bool wants_read = (desired_access & kGenericRead) != 0;
  const bool wants_write = (desired_access & kGenericWrite) != 0;
  // Non-blocking, so that a FIFO or a device never holds the open.
  int flags = O_CLOEXEC | O_NONBLOCK;
  if (wants_read && wants_write) {
    flags |= O_RDWR;
  } else if (wants_write) {
    flags |= O_WRONLY;
  } else {
    flags |= O_RDONLY;
  }
  bool truncate = false;
  switch (creation_disposition) {
  case kCreateNew:
    flags |= O_CREAT | O_EXCL;
    break;
  case kCreateAlways:
    flags |= O_CREAT;
    truncate = true;
    break;
  case kOpenAlways:
    flags |= O_CREAT;
    break;
  case kTruncateExisting:
    truncate = true;
    break;
  case kOpenExisting:
    break;
  default:
    errno = EINVAL;
    return kInvalidHandle;
  }
  if (name.empty()) {
    errno = ENOENT;
    return kInvalidHandle;
  }
  const std::string path = Native(name);
  const int fd = RetryOnEintr([&] { return open(path.c_str(), flags, 0666); });
  if (fd < 0) {
    return kInvalidHandle;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    CloseKeepingErrno(fd);
    return kInvalidHandle;
  }
  if (S_ISDIR(st.st_mode)) {
    close(fd);
    errno = EISDIR;
    return kInvalidHandle;
  }
  if (!wants_write && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))) {
    close(fd); // a stream without an end is no file to read
    errno = ENXIO;
    return kInvalidHandle;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // Devices have no length to cut back.
  truncate = truncate && S_ISREG(st.st_mode);
  int lock_fd = fd;
  if (!wants_read) {
    lock_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (lock_fd < 0) {
      lock_fd = fd; // unreadable file: markers are skipped, sharing is not enforced
    }
  }
  if (!ClaimShare(lock_fd, wants_read, wants_write, (share_mode & kFileShareRead) != 0,
                  (share_mode & kFileShareWrite) != 0)) {
    if (lock_fd != fd) {
      CloseKeepingErrno(lock_fd);
    }
    CloseKeepingErrno(fd);
    return kInvalidHandle;
  }
  // Truncate only once the sharing check passed: a file held by another
  // opener must not lose its contents to a refused create.
  if (truncate && ftruncate(fd, 0) != 0) {
    if (lock_fd != fd) {
      CloseKeepingErrno(lock_fd);
    }
    CloseKeepingErrno(fd);
    return kInvalidHandle;
  }
  if (lock_fd != fd) {
    std::lock_guard guard(companions_mutex);
    companions[fd] = lock_fd;
  }
  return fd;
}

bool CloseFile(FileHandle handle) {
  if (handle == kInvalidHandle) {
    return true;
  }
  const int fd = static_cast<int>(handle);
  {
    std::lock_guard guard(companions_mutex);
    if (auto it = companions.find(fd); it != companions.end()) {
      close(it->second);
      companions.erase(it);
    }
  }
  // The descriptor is gone even when close reports an error: never retry.
  return close(fd) == 0 || errno == EINTR;
}

std::atomic<int> flush_failure{0};

void SetFlushFailureForTesting(int error) {
  flush_failure = error;
}

bool FlushFile(FileHandle handle) {
  if (const int error = flush_failure.load(); error != 0) {
    errno = error;
    return false;
  }
  const int fd = static_cast<int>(handle);
  if (RetryOnEintr([&] { return fsync(fd); }) == 0) {
    return true;
  }
  // Devices and some special files have nothing to put on a disk.
  return errno == EINVAL || errno == EROFS;
}

std::int64_t ReadFile(FileHandle handle, void* buffer, std::int64_t count) {
  return TransferAll(static_cast<int>(handle), static_cast<char*>(buffer), count, false);
}

std::int64_t WriteFile(FileHandle handle, const void* buffer, std::int64_t count) {
  // TransferAll only reads from the buffer when writing.
  return TransferAll(static_cast<int>(handle), static_cast<char*>(const_cast<void*>(buffer)), count,
                     true);
}

std::int64_t SeekFile(FileHandle handle, std::int64_t offset, SeekOrigin origin) {
  static_assert(static_cast<int>(SeekOrigin::Begin) == SEEK_SET);
  static_assert(static_cast<int>(SeekOrigin::Current) == SEEK_CUR);
  static_assert(static_cast<int>(SeekOrigin::End) == SEEK_END);
  return lseek(static_cast<int>(handle), offset, static_cast<int>(origin));
}

bool SetEndOfFile(FileHandle handle) {
  const int fd = static_cast<int>(handle);
  const off_t position = lseek(fd, 0, SEEK_CUR);
  return position >= 0 && RetryOnEintr([&] { return ftruncate(fd, position); }) == 0;
}

CopyResult CopyData(FileHandle source, FileHandle target, std::int64_t count) {
  CopyResult result;
  const int in = static_cast<int>(source);
  const int out = static_cast<int>(target);
  constexpr std::int64_t kKernelStep = std::int64_t{1} << 30;

  auto short_read = [&] {
    result.failure = CopyResult::Failure::ShortRead;
    return result;
  };

  // One in-kernel method until it fails. A 0 before it moved any byte means
  // "not supported here" on some file systems, not the end of the file.
  enum class Step { Done, Unsupported, EndOfFile };
  auto kernel_copy = [&](auto call) {
    bool moved = false;
    while (result.copied < count) {
      const auto want = static_cast<size_t>(std::min(count - result.copied, kKernelStep));
      const ssize_t n = RetryOnEintr([&] { return call(want); });
      if (n > 0) {
        result.copied += n;
        moved = true;
      } else if (n == 0) {
        return moved ? Step::EndOfFile : Step::Unsupported;
      } else {
        return Step::Unsupported;
      }
    }
    return Step::Done;
  };
  Step step =
      kernel_copy([&](size_t want) { return copy_file_range(in, nullptr, out, nullptr, want, 0); });
  if (step == Step::Unsupported) {
    // sendfile takes any kind of target (a device).
    step = kernel_copy([&](size_t want) { return sendfile(out, in, nullptr, want); });
  }
  if (step == Step::EndOfFile) {
    return short_read();
  }
  // Plain read/write: also where the kernel copy failed, so that the failure
  // is told as the read or the write side with the system's own error.
  if (result.copied < count) {
    constexpr std::int64_t kBufferSize = 256 * 1024;
    thread_local std::unique_ptr<char[]> buffer(new char[kBufferSize]);
    while (result.copied < count) {
      const std::int64_t want = std::min(count - result.copied, kBufferSize);
      const std::int64_t got = ReadFile(source, buffer.get(), want);
      if (got < 0) {
        result.failure = CopyResult::Failure::Read;
        result.error = errno;
        return result;
      }
      if (got == 0) {
        return short_read();
      }
      const std::int64_t put = WriteFile(target, buffer.get(), got);
      if (put != got) {
        result.copied += std::max<std::int64_t>(put, 0);
        result.failure = CopyResult::Failure::Write;
        result.error = put < 0 && errno != 0 ? errno : ENOSPC;
        return result;
      }
      result.copied += got;
    }
  }
  return result;
}

bool CreateDirectory(const WideString& name) {
  return mkdir(Native(name).c_str(), 0777) == 0;
}

bool DeleteFile(const WideString& name) {
  const std::string path = Native(name);
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EISDIR; // DeleteFile removes files only
    return false;
  }
  if (S_ISREG(st.st_mode)) {
    // As on Windows, a file that an opener holds cannot be deleted.
    const int probe = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (probe >= 0) {
      const bool held = HeldByAnyOpener(probe);
      close(probe);
      if (held) {
        errno = kSharingViolation;
        return false;
      }
    }
  }
  return unlink(path.c_str()) == 0;
}

bool RemoveDirectory(const WideString& name) {
  return rmdir(Native(name).c_str()) == 0;
}

FileStatus QueryFile(const WideString& name) {
  FileStatus status;
  if (name.empty()) {
    return status;
  }
  const std::string path = Native(name);
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    return status;
  }
  if (S_ISDIR(st.st_mode)) {
    status.kind = FileKind::Directory;
  } else if (S_ISREG(st.st_mode) && !IsPseudoFileSystem(path.c_str())) {
    status.kind = FileKind::Regular;
    status.size = static_cast<std::int64_t>(st.st_size);
  } else {
    status.kind = FileKind::Special;
  }
  return status;
}

FindHandle FindFirst(const WideString& pattern, FindData& data) {
  const std::string path = Native(pattern);
  const size_t slash = path.rfind('/');
  auto search = std::make_unique<Search>();
  search->folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  if (last.empty()) {
    errno = ENOENT;
    return kInvalidFind;
  }
  if (last.find_first_of("*?") == std::string::npos) {
    if (!FillFindData(path, last.c_str(), data)) {
      return kInvalidFind;
    }
    search->single = true;
    return reinterpret_cast<FindHandle>(search.release());
  }
  if (last == "*.*") {
    last = "*"; // Windows matches names without a dot too
  }
  search->pattern = last;
  search->dir = opendir(search->folder.empty() ? "." : search->folder.c_str());
  if (search->dir == nullptr) {
    return kInvalidFind;
  }
  if (!NextMatch(*search, data)) {
    closedir(search->dir);
    errno = ENOENT;
    return kInvalidFind;
  }
  return reinterpret_cast<FindHandle>(search.release());
}

bool FindNext(FindHandle handle, FindData& data) {
  if (handle == kInvalidFind) {
    return false;
  }
  auto* search = reinterpret_cast<Search*>(handle);
  if (search->single) {
    errno = ENOENT;
    return false;
  }
  return NextMatch(*search, data);
}

void FindClose(FindHandle handle) {
  if (handle == kInvalidFind) {
    return;
  }
  auto* search = reinterpret_cast<Search*>(handle);
  if (search->dir != nullptr) {
    closedir(search->dir);
  }
  delete search;
}

int LastError() {
  return errno;
}

AnsiString ErrorText(int error) {
  if (error == kSharingViolation) {
    return "the file is in use by another job (sharing violation)";
  }
  char buffer[256];
  return strerror_r(error, buffer, sizeof buffer);
}

} // namespace vandrel::platform
