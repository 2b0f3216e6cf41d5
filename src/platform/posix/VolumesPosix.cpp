#include "platform/Volumes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>

namespace vandrel::platform {

namespace {

std::string Native(const WideString& name) {
  return EncodeNativeName(name);
}

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

// mountinfo writes blanks, tabs, newlines and backslashes in names as
// three octal digits after a backslash.
std::string Unescape(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    const auto octal = [&](size_t at) { return field[at] >= '0' && field[at] <= '7'; };
    if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0')));
      i += 3;
      continue;
    }
    out.push_back(field[i]);
  }
  return out;
}

bool UnderMediaFolder(const std::string& mount_point) {
  return mount_point.rfind("/media/", 0) == 0 || mount_point.rfind("/run/media/", 0) == 0;
}

class SystemVolumes : public Volumes {
public:
  bool RemovableDriveExists() override { return !ListRemovableDevices("/sys/block").empty(); }

  std::vector<RemovableVolume> MountedRemovableVolumes() override {
    return SelectRemovableVolumes(ReadSmallFile("/proc/self/mountinfo"),
                                  ListRemovableDevices("/sys/block"));
  }

  bool DiskFreeSpace(const WideString& folder, std::int64_t& free) override {
    free = 0;
    const std::string path = Native(folder);
    struct stat self {};
    struct stat parent {};
    if (path.empty() || stat(path.c_str(), &self) != 0 || !S_ISDIR(self.st_mode)) {
      return false;
    }
    const std::string up = path + (path.back() == '/' ? ".." : "/..");
    if (stat(up.c_str(), &parent) != 0) {
      return false;
    }
    // A folder on its parent's file system is a plain folder, not a disk
    // (the root folder "/" is its own parent: the system disk, no disk).
    if (self.st_dev == parent.st_dev) {
      errno = ENOTBLK;
      return false;
    }
    struct statvfs info {};
    if (statvfs(path.c_str(), &info) != 0) {
      return false;
    }
    free = static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize);
    return true;
  }

  bool FlushVolume(const WideString& folder) override {
    const int fd = open(Native(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      return false;
    }
    const bool flushed = syncfs(fd) == 0;
    const int error = errno;
    close(fd);
    errno = error;
    return flushed;
  }
};

std::mutex seam_mutex;
std::shared_ptr<Volumes>& Installed() {
  static std::shared_ptr<Volumes> installed;
  return installed;
}

} // namespace

Volumes& CurrentVolumes() {
  static SystemVolumes system;
  std::lock_guard guard(seam_mutex);
  return Installed() ? *Installed() : static_cast<Volumes&>(system);
}

std::shared_ptr<Volumes> SetVolumes(std::shared_ptr<Volumes> volumes) {
  std::lock_guard guard(seam_mutex);
  std::shared_ptr<Volumes> previous = std::move(Installed());
  Installed() = std::move(volumes);
  return previous;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> mounts;
  for (const std::string& line : SplitTextLines(text)) {
    std::istringstream fields(line);
    std::string id, parent, device, root, mount_point;
    if (!(fields >> id >> parent >> device >> root >> mount_point)) {
      continue;
    }
    const size_t colon = device.find(':');
    if (colon == std::string::npos) {
      continue;
    }
    MountEntry entry;
    try {
      entry.major = static_cast<unsigned>(std::stoul(device.substr(0, colon)));
      entry.minor = static_cast<unsigned>(std::stoul(device.substr(colon + 1)));
    } catch (const std::exception&) {
      continue;
    }
    entry.mount_point = Unescape(mount_point);
    mounts.push_back(std::move(entry));
  }
  return mounts;
}

std::vector<RemovableDevice> ListRemovableDevices(const std::string& sys_block) {
  std::vector<RemovableDevice> devices;
  DIR* disks = opendir(sys_block.c_str());
  if (disks == nullptr) {
    return devices;
  }
  while (dirent* disk = readdir(disks)) {
    const std::string name = disk->d_name;
    if (name == "." || name == "..") {
      continue;
    }
    const std::string folder = sys_block + "/" + name;
    if (Trimmed(ReadSmallFile(folder + "/removable")) != "1") {
      continue;
    }
    devices.push_back({Trimmed(ReadSmallFile(folder + "/dev")), name});
    // Partitions are the subfolders that carry a "partition" file.
    if (DIR* parts = opendir(folder.c_str())) {
      while (dirent* part = readdir(parts)) {
        const std::string sub = folder + "/" + part->d_name;
        if (part->d_name[0] == '.' || access((sub + "/partition").c_str(), F_OK) != 0) {
          continue;
        }
        devices.push_back({Trimmed(ReadSmallFile(sub + "/dev")), name});
      }
      closedir(parts);
    }
  }
  closedir(disks);
  return devices;
}

std::vector<RemovableVolume> SelectRemovableVolumes(std::string_view mountinfo,
                                                    const std::vector<RemovableDevice>& devices) {
  std::vector<RemovableVolume> volumes;
  for (const MountEntry& mount : ParseMountInfo(mountinfo)) {
    if (!UnderMediaFolder(mount.mount_point)) {
      continue;
    }
    const std::string device = std::to_string(mount.major) + ":" + std::to_string(mount.minor);
    for (const RemovableDevice& removable : devices) {
      if (removable.device == device) {
        volumes.push_back({DecodeNativeName(mount.mount_point), removable.disk});
        break;
      }
    }
  }
  return volumes;
}

} // namespace vandrel::platform
