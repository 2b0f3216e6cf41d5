#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// Marker bytes for the share-mode emulation, far past any real file data.
// Every opener holds a read lock on the markers that describe it; a new
// opener probes for other holders with F_OFD_GETLK before it takes its own.
constexpr off_t kMarkerBase = off_t{1} << 62;
constexpr off_t kHasRead = kMarkerBase + 0;
constexpr off_t kHasWrite = kMarkerBase + 1;
constexpr off_t kDeniesRead = kMarkerBase + 2;
constexpr off_t kDeniesWrite = kMarkerBase + 3;

// Write-only handles cannot hold read locks; they keep a read-only
// companion descriptor for their markers, closed with the handle.
std::mutex companions_mutex;
std::map<int, int> companions;

std::string Native(const WideString& name) {
  return WideToUtf8(name);
}

bool OthersHold(int fd, off_t marker) {
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = marker;
  probe.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &probe) != 0) {
    return false; // no lock support on this file system: share nothing
  }
  return probe.l_type != F_UNLCK;
}

void HoldMarker(int fd, off_t marker) {
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = marker;
  lock.l_len = 1;
  fcntl(fd, F_OFD_SETLK, &lock);
}

// Applies the Windows sharing rules. Returns false (errno EBUSY) on a
// sharing violation.
bool ClaimShare(int fd, int lock_fd, bool wants_read, bool wants_write, bool shares_read,
                bool shares_write) {
  // A gate serialises check-then-claim between openers of the same file.
  flock(lock_fd, LOCK_EX);
  const bool refused = (wants_read && OthersHold(fd, kDeniesRead)) ||
                       (wants_write && OthersHold(fd, kDeniesWrite)) ||
                       (!shares_read && OthersHold(fd, kHasRead)) ||
                       (!shares_write && OthersHold(fd, kHasWrite));
  if (!refused) {
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
  }
  flock(lock_fd, LOCK_UN);
  if (refused) {
    errno = EBUSY;
  }
  return !refused;
}

void CloseKeepingErrno(int fd) {
  const int saved = errno;
  close(fd);
  errno = saved;
}

struct Search {
  DIR* dir = nullptr;
  std::string folder;  // with a trailing "/" or empty
  std::string pattern; // fnmatch pattern of the last part
  bool single = false; // a pattern without wildcards: one entry, already given
};

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
  data.name = Utf8ToWide(name);
  return true;
}

bool NextMatch(Search& search, FindData& data) {
  while (dirent* entry = readdir(search.dir)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
      continue;
    }
    if (fnmatch(search.pattern.c_str(), name, 0) != 0) {
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
  int flags = O_CLOEXEC;
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
  const int fd = open(path.c_str(), flags, 0666);
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
  // Devices and pipes have no length to cut back.
  truncate = truncate && S_ISREG(st.st_mode);
  int lock_fd = fd;
  if (!wants_read) {
    lock_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (lock_fd < 0) {
      lock_fd = fd; // unreadable file: markers are skipped, sharing is not enforced
    }
  }
  if (!ClaimShare(fd, lock_fd, wants_read, wants_write, (share_mode & kFileShareRead) != 0,
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

void CloseFile(FileHandle handle) {
  if (handle == kInvalidHandle) {
    return;
  }
  const int fd = static_cast<int>(handle);
  {
    std::lock_guard guard(companions_mutex);
    if (auto it = companions.find(fd); it != companions.end()) {
      close(it->second);
      companions.erase(it);
    }
  }
  close(fd);
}

std::int64_t ReadFile(FileHandle handle, void* buffer, std::int64_t count) {
  auto* out = static_cast<char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = read(static_cast<int>(handle), out + done, static_cast<size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return done > 0 ? done : -1;
    }
    if (n == 0) {
      break;
    }
    done += n;
  }
  return done;
}

std::int64_t WriteFile(FileHandle handle, const void* buffer, std::int64_t count) {
  const auto* in = static_cast<const char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = write(static_cast<int>(handle), in + done, static_cast<size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return done > 0 ? done : -1;
    }
    done += n;
  }
  return done;
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
  return position >= 0 && ftruncate(fd, position) == 0;
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

  // In-kernel copy between regular files.
  bool kernel = true;
  while (kernel && result.copied < count) {
    const ssize_t n =
        copy_file_range(in, nullptr, out, nullptr,
                        static_cast<size_t>(std::min(count - result.copied, kKernelStep)), 0);
    if (n > 0) {
      result.copied += n;
    } else if (n == 0) {
      return short_read();
    } else if (errno != EINTR) {
      kernel = false;
    }
  }
  // sendfile takes any kind of target (a pipe, a device).
  kernel = true;
  while (kernel && result.copied < count) {
    const ssize_t n = sendfile(out, in, nullptr,
                               static_cast<size_t>(std::min(count - result.copied, kKernelStep)));
    if (n > 0) {
      result.copied += n;
    } else if (n == 0) {
      return short_read();
    } else if (errno != EINTR) {
      kernel = false;
    }
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
        result.error = errno != 0 ? errno : ENOSPC;
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
  return unlink(path.c_str()) == 0;
}
bool RemoveDirectory(const WideString& name) {
  return rmdir(Native(name).c_str()) == 0;
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
  // Windows wildcards know only "*" and "?": anything else fnmatch would
  // read as special ("[", "\\") is matched literally.
  std::string escaped;
  for (const char ch : last) {
    if (ch == '[' || ch == ']' || ch == '\\') {
      escaped.push_back('\\');
    }
    escaped.push_back(ch);
  }
  search->pattern = escaped;
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
  char buffer[256];
  return strerror_r(error, buffer, sizeof buffer);
}

} // namespace vandrel::platform
