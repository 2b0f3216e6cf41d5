// Disk spanning's removable drive is drive A:.

#include "platform/win32/Windows.h"

#include <mutex>
#include <utility>

#include "platform/Volumes.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

namespace {

constexpr char kDriveRoot[] = "a:\\";

class DriveA final : public Volumes {
public:
  bool RemovableDriveExists() override { return GetDriveTypeA(kDriveRoot) > DRIVE_NO_ROOT_DIR; }

  std::vector<RemovableVolume> MountedRemovableVolumes() override {
    ULARGE_INTEGER available{}, total{};
    if (!RemovableDriveExists() || !GetDiskFreeSpaceExA(kDriveRoot, &available, &total, nullptr)) {
      return {};
    }
    return {RemovableVolume{u"a:\\", "a"}};
  }

  bool DiskFreeSpace(const WideString& folder, std::int64_t& free) override {
    std::string root;
    if (!win32::ToAnsiExactly(folder, root) || root.empty()) {
      return false;
    }
    if (root.back() != '\\') {
      root += '\\';
    }
    ULARGE_INTEGER available{}, total{};
    if (!GetDiskFreeSpaceExA(root.c_str(), &available, &total, nullptr)) {
      return false;
    }
    free = static_cast<std::int64_t>(available.QuadPart);
    return true;
  }

  bool FlushVolume(const WideString& folder) override {
    if (folder.size() < 2 || folder[1] != u':') {
      SetLastError(ERROR_INVALID_NAME);
      return false;
    }
    // Flushing a volume handle writes out every file of the volume.
    const std::wstring volume = std::wstring(L"\\\\.\\") + static_cast<wchar_t>(folder[0]) + L":";
    const HANDLE handle =
        CreateFileW(volume.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      // A volume handle needs the administrator's rights. Without them the
      // caller's FlushFileBuffers on each file, which commits its data and
      // its directory entry, is all Windows lets a program do.
      return GetLastError() == ERROR_ACCESS_DENIED;
    }
    const bool flushed = FlushFileBuffers(handle) != 0;
    const DWORD error = GetLastError();
    CloseHandle(handle);
    SetLastError(error);
    return flushed;
  }
};

std::mutex volumes_mutex;
std::shared_ptr<Volumes>& Installed() {
  static std::shared_ptr<Volumes> installed;
  return installed;
}

} // namespace

Volumes& CurrentVolumes() {
  static DriveA system;
  std::lock_guard lock(volumes_mutex);
  return Installed() ? *Installed() : system;
}

std::shared_ptr<Volumes> SetVolumes(std::shared_ptr<Volumes> volumes) {
  std::lock_guard lock(volumes_mutex);
  return std::exchange(Installed(), std::move(volumes));
}

} // namespace vandrel::platform
