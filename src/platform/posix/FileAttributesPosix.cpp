#include <sys/stat.h>

#include "platform/FileAttributes.h"

namespace vandrel::platform {

bool IsSymbolicLink(const WideString& name) {
  struct stat st {};
  return lstat(WideToUtf8(name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool MakeWritable(const WideString& name) {
  const std::string path = WideToUtf8(name);
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) {
    return false;
  }
  return chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

int FilePermissions(const WideString& name) {
  struct stat st {};
  if (lstat(WideToUtf8(name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return -1;
  }
  return static_cast<int>(st.st_mode & 07777);
}

bool SetFilePermissions(const WideString& name, int permissions) {
  if (permissions < 0) {
    return true;
  }
  const std::string path = WideToUtf8(name);
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return false;
  }
  return chmod(path.c_str(), static_cast<mode_t>(permissions)) == 0;
}

} // namespace vandrel::platform
