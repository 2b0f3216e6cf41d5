#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/NamedLock.h"

namespace vandrel::platform {

namespace {

std::string LockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0')
    return runtime;
  return "/tmp/vandrel-" + std::to_string(::getuid());
}

// The fallback folder is shared /tmp: it must be ours and private, or
// another user could hold our lock for us.
bool EnsureFolder(const std::string& folder, std::error_code& ec) {
  if (std::getenv("XDG_RUNTIME_DIR") != nullptr && *std::getenv("XDG_RUNTIME_DIR") != '\0')
    return true;
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    ec.assign(errno, std::generic_category());
    return false;
  }
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) {
    ec.assign(errno, std::generic_category());
    return false;
  }
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0) {
    ec = std::make_error_code(std::errc::permission_denied);
    return false;
  }
  return true;
}

int OpenLockFile(std::string_view name, std::error_code& ec) {
  const std::string folder = LockFolder();
  if (!EnsureFolder(folder, ec))
    return -1;
  const std::string path = folder + "/" + std::string(name) + ".lock";
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0)
    ec.assign(errno, std::generic_category());
  return fd;
}

int FlockNoWait(int fd, int operation) {
  int rc;
  do {
    rc = ::flock(fd, operation | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  return rc;
}

} // namespace

NamedLock::~NamedLock() {
  ::close(static_cast<int>(handle_));
}

std::unique_ptr<NamedLock> NamedLock::TryAcquire(std::string_view name, std::error_code& ec) {
  ec.clear();
  const int fd = OpenLockFile(name, ec);
  if (fd < 0)
    return nullptr;
  // IsNamedLockHeld looks with a brief shared lock, which refuses our
  // exclusive one for that moment. A shared lock we can take ourselves
  // means no owner, only someone looking: try again shortly.
  int error = 0;
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (FlockNoWait(fd, LOCK_EX) == 0) {
      return std::unique_ptr<NamedLock>(new NamedLock(fd));
    }
    if (errno != EWOULDBLOCK) {
      error = errno;
      break;
    }
    if (FlockNoWait(fd, LOCK_SH) != 0) {
      error = errno == EWOULDBLOCK ? 0 : errno; // EWOULDBLOCK: an owner holds it
      break;
    }
    ::flock(fd, LOCK_UN);
    ::usleep(5000);
  }
  if (error != 0)
    ec.assign(error, std::generic_category());
  ::close(fd);
  return nullptr;
}

bool IsNamedLockHeld(std::string_view name) {
  std::error_code ec;
  const int fd = OpenLockFile(name, ec);
  if (fd < 0)
    return false;
  const bool held = FlockNoWait(fd, LOCK_SH) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

std::string NamedLockLocation(std::string_view name) {
  return LockFolder() + "/" + std::string(name) + ".lock";
}

} // namespace vandrel::platform
