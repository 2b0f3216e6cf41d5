#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

#include "platform/AtomicFile.h"

namespace vandrel::platform {

namespace {

enum class Links { Follow, Refuse };

// Tells once per file why we leave it alone: a settings file that is a link
// or a FIFO is a surprise the user should hear about, not a silent reset.
void TellRefused(const std::string& path, const char* what) {
  static std::mutex mutex;
  static std::set<std::string> told;
  std::lock_guard guard(mutex);
  if (told.insert(path).second) {
    std::fprintf(stderr, "%s: %s is %s, not a regular file; it is neither read nor written\n",
                 program_invocation_short_name, path.c_str(), what);
  }
}

const char* KindOf(mode_t mode) {
  if (S_ISLNK(mode)) {
    return "a symbolic link";
  }
  if (S_ISFIFO(mode)) {
    return "a FIFO";
  }
  if (S_ISDIR(mode)) {
    return "a folder";
  }
  if (S_ISSOCK(mode)) {
    return "a socket";
  }
  return "a device";
}

// An existing name that must not be used: a link (when links are refused) or
// anything but a regular file. Reported for our own files.
bool Refused(const std::string& path, const struct stat& st, Links links) {
  if (S_ISREG(st.st_mode)) {
    return false;
  }
  if (links == Links::Refuse) {
    TellRefused(path, KindOf(st.st_mode));
  }
  return true;
}

// Opens without ever blocking (a FIFO) and, for our own files, without
// following a link; then checks that what opened is a regular file.
int OpenRegular(const std::string& path, int flags, Links links) {
  flags |= O_CLOEXEC | O_NONBLOCK | (links == Links::Refuse ? O_NOFOLLOW : 0);
  const int fd = open(path.c_str(), flags, 0666);
  if (fd < 0) {
    if (errno == ELOOP && links == Links::Refuse) {
      TellRefused(path, "a symbolic link");
    }
    return -1;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || Refused(path, st, links)) {
    close(fd);
    errno = EINVAL;
    return -1;
  }
  // Back to ordinary blocking reads and writes on the regular file.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool ReadAll(int fd, std::string& bytes) {
  bytes.clear();
  char buffer[16384];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return got == 0;
    }
    bytes.append(buffer, static_cast<size_t>(got));
  }
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) {
      continue;
    }
    if (put <= 0) {
      return false;
    }
    done += static_cast<size_t>(put);
  }
  return true;
}

ReadResult Read(const AnsiString& path, std::string& bytes, Links links) {
  bytes.clear();
  const int fd = OpenRegular(path, O_RDONLY, links);
  if (fd < 0) {
    return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
  }
  const bool ok = ReadAll(fd, bytes);
  close(fd);
  if (!ok) {
    bytes.clear();
  }
  return ok ? ReadResult::Ok : ReadResult::Failed;
}

bool Replace(const AnsiString& path, const std::string& bytes, Links links) {
  static std::atomic<unsigned> counter{0};
  std::string target = path;
  bool existed = false;
  mode_t mode = 0;
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode) && links == Links::Follow) {
      char resolved[PATH_MAX];
      if (realpath(path.c_str(), resolved) != nullptr) {
        target = resolved;
      }
      if (stat(target.c_str(), &st) != 0) {
        st = {};
        st.st_mode = S_IFREG; // a dangling link: its target is created
      } else {
        existed = true;
      }
    } else {
      existed = true;
    }
    if (existed && Refused(path, st, links)) {
      return false;
    }
    // A file without its owner's write right is read-only to us even when
    // we run as root, as the read-only attribute is on Windows.
    if (existed && (access(target.c_str(), W_OK) != 0 || (st.st_mode & S_IWUSR) == 0)) {
      return false;
    }
    mode = st.st_mode & 07777;
  }
  const std::string temp =
      target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  // 0666 here is masked by the umask, as for any file the user makes.
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) {
    return false;
  }
  bool written = WriteAll(fd, bytes);
  written = written && (!existed || fchmod(fd, mode) == 0) && fsync(fd) == 0;
  if (close(fd) != 0 || !written || rename(temp.c_str(), target.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const int folder_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd >= 0) {
    fsync(folder_fd);
    close(folder_fd);
  }
  return true;
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
  const int fd = OpenRegular(path, O_WRONLY | O_CREAT, Links::Refuse);
  if (fd < 0) {
    return false;
  }
  const bool ok = ftruncate(fd, 0) == 0 && WriteAll(fd, bytes);
  return close(fd) == 0 && ok;
}

bool UpdateRegularFile(const AnsiString& path, const std::function<bool(std::string&)>& change) {
  for (;;) {
    bool created = false;
    int fd = OpenRegular(path, O_RDONLY, Links::Refuse);
    if (fd < 0 && errno == ENOENT) {
      // Something to lock: the file, made empty, which the change fills.
      fd = OpenRegular(path, O_RDONLY | O_CREAT | O_EXCL, Links::Refuse);
      created = fd >= 0;
      if (fd < 0 && errno == EEXIST) {
        continue;
      }
    }
    if (fd < 0) {
      return false;
    }
    while (flock(fd, LOCK_EX) != 0) {
      if (errno != EINTR) {
        close(fd);
        return false;
      }
    }
    // A writer before us renamed a new file over the one we waited on: its
    // lock protects nothing now, take the new file's.
    struct stat held {};
    struct stat now {};
    if (fstat(fd, &held) != 0 || lstat(path.c_str(), &now) != 0 || held.st_ino != now.st_ino ||
        held.st_dev != now.st_dev) {
      close(fd);
      continue;
    }
    std::string bytes;
    bool ok = ReadAll(fd, bytes);
    const bool write = ok && change(bytes);
    ok = ok && (!write || Replace(path, bytes, Links::Refuse));
    if (created && !(write && ok)) {
      unlink(path.c_str());
    }
    close(fd); // releases the lock
    return ok;
  }
}

} // namespace vandrel::platform
