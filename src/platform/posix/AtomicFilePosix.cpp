#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/AtomicFile.h"

namespace vandrel::platform {

ReadResult ReadWholeFile(const AnsiString& path, std::string& bytes) {
  bytes.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
  }
  char buffer[16384];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      close(fd);
      return got == 0 ? ReadResult::Ok : ReadResult::Failed;
    }
    bytes.append(buffer, static_cast<size_t>(got));
  }
}

bool ReplaceWholeFile(const AnsiString& path, const std::string& bytes) {
  static std::atomic<unsigned> counter{0};
  std::string target = path;
  mode_t mode = 0644;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) {
    // A file without its owner's write right is read-only to us even when
    // we run as root, as the read-only attribute is on Windows.
    if (access(path.c_str(), W_OK) != 0 || (st.st_mode & S_IWUSR) == 0) {
      return false;
    }
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) != nullptr) {
      target = resolved;
    }
    mode = st.st_mode & 07777;
  }
  const std::string temp =
      target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    return false;
  }
  bool written = true;
  size_t done = 0;
  while (written && done < bytes.size()) {
    const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) {
      continue;
    }
    written = put > 0;
    done += put > 0 ? static_cast<size_t>(put) : 0;
  }
  written = written && fchmod(fd, mode) == 0 && fsync(fd) == 0;
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

} // namespace vandrel::platform
