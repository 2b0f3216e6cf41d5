#pragma once
// The volumes seam: what plays the removable drive of disk spanning, the
// free space of the disk in it, and flushing data onto it before the user
// is asked to change disks.
//
// Win32 backend: drive A: (GetDriveTypeA on "a:", GetDiskFreeSpaceExA on
// "a:\"). POSIX backend: a removable medium that the desktop mounts under
// /media or /run/media, found in /proc/self/mountinfo and
// /sys/block/*/removable; a disk is a folder that is a mount point, and its
// free space is what statvfs grants the caller.
//
// Tests install a seam of their own (SetVolumes) to stand in for real
// media when they cannot mount any.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Strings.h"

namespace vandrel::platform {

/// One mounted file system on a removable block device.
struct RemovableVolume {
  WideString mount_point;
  /// The whole disk it lives on ("sdb"): the same for every medium that
  /// goes into one drive.
  AnsiString disk;
};

class Volumes {
public:
  virtual ~Volumes() = default;
  /// True when the system has a removable drive at all, with or without a
  /// medium. Win32: drive A: exists. POSIX: a /sys/block entry whose
  /// "removable" reads 1.
  virtual bool RemovableDriveExists() = 0;
  /// The removable volumes mounted now, in mount order. Win32: "a:\" when a
  /// medium is in drive A:. POSIX: mount points under /media or /run/media
  /// whose block device is removable.
  virtual std::vector<RemovableVolume> MountedRemovableVolumes() = 0;
  /// The bytes the caller may still write on the disk whose root is
  /// folder. False when there is no disk there: the folder is missing, is
  /// not the root of a mounted file system (POSIX: its device is its
  /// parent's), or cannot be queried. Holds nothing open afterwards.
  virtual bool DiskFreeSpace(const WideString& folder, std::int64_t& free) = 0;
  /// Writes everything cached for the file system holding folder to its
  /// medium (POSIX: syncfs; Win32: FlushFileBuffers on the volume, or,
  /// without the rights to open the volume, nothing beyond the flushes of
  /// the files themselves). Holds nothing open afterwards. False with
  /// LastError() set on failure.
  virtual bool FlushVolume(const WideString& folder) = 0;
};

/// The seam in use: the system's, unless another was installed.
Volumes& CurrentVolumes();
/// Installs a seam for every later call (nullptr restores the system's);
/// returns the one installed before. Not for use while a job runs.
std::shared_ptr<Volumes> SetVolumes(std::shared_ptr<Volumes> volumes);

// --- POSIX backend pieces, exposed for tests ---------------------------------

/// One line of /proc/self/mountinfo: the device numbers and the mount
/// point with its octal escapes ("\040") decoded.
struct MountEntry {
  unsigned major = 0;
  unsigned minor = 0;
  std::string mount_point;
};
/// The mounts of a mountinfo text, in order; malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

/// Removable disks under a /sys/block folder: for every entry whose
/// "removable" reads 1, its "dev" and the "dev" of each of its partitions,
/// as "major:minor" with the disk's name.
struct RemovableDevice {
  std::string device; ///< "8:17"
  std::string disk;   ///< "sdb"
};
std::vector<RemovableDevice> ListRemovableDevices(const std::string& sys_block);

/// The mounts of the mountinfo text under /media or /run/media that lie on
/// one of the devices, in mount order.
std::vector<RemovableVolume> SelectRemovableVolumes(std::string_view mountinfo,
                                                    const std::vector<RemovableDevice>& devices);

} // namespace vandrel::platform
