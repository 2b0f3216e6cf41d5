#pragma once
// The drive of disk spanning as the jobs and the front ends see it: either
// a folder the user named (setting "SpanDrive", or --drive), or, when none
// is named, the removable volume mounted at the moment of asking. Disks
// come and go between the questions; nothing here keeps anything open.

#include <cstdint>
#include <optional>
#include <vector>

#include "base/Exceptions.h"
#include "platform/Strings.h"

namespace vandrel {

/// The name of the setting (product key) that names the drive's folder;
/// empty or absent means automatic.
inline constexpr const char* kSpanDriveSetting = "SpanDrive";

/// Capacity of the floppy disk that the minimal disk count is based on.
inline constexpr std::int64_t kFloppyDiskBytes = 1457664;
/// Copy block of the disk-span jobs.
inline constexpr std::int64_t SpanCopyChunk = 65536;

/// Minimal number of floppy disks for a file of size bytes: the size over
/// the floppy capacity rounded to nearest (halves to even), plus one when
/// that falls short: 0 for an empty file.
std::int64_t MinimalFloppyCount(std::int64_t size);

class TSpanDrive {
public:
  /// folder: the drive's folder as the user named it, used as it is; empty
  /// for automatic.
  explicit TSpanDrive(WideString folder = {});

  bool Automatic() const { return folder_.empty(); }
  const WideString& ConfiguredFolder() const { return folder_; }

  /// False when the drive does not exist: a named folder that is not a
  /// folder, or, automatic, no removable drive on the system. A drive
  /// without a medium exists.
  bool Exists() const;
  /// The folder of the disk in the drive now, or nothing when there is no
  /// disk (a named folder that is not a mount point, no removable volume
  /// mounted). Automatic: of several volumes, the one on the drive of the
  /// previous disk, else the first.
  std::optional<WideString> DiskFolder();
  /// The disk's folder and the bytes free on it; nothing when no disk.
  std::optional<WideString> DiskWithFreeSpace(std::int64_t& free);

private:
  WideString folder_;
  AnsiString last_disk_;
};

/// The base names of the sets on a disk: every file whose name ends in
/// ".vd0", without those four characters, in the order the folder lists
/// them. Names are compared as text.
std::vector<WideString> FindSpanSets(const WideString& disk_folder);

/// A name whose part number cannot be read as a number.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

/// The disk number of base_name's part on a disk, compared as text: among
/// the files named base_name + ".vd" and more, the first whose rest is a
/// decimal number. found is false when there is none. Throws
/// EConvertError when only names with another rest (".vdx") are there.
struct DiskNumber {
  bool found = false;
  std::int32_t number = -1;
};
DiskNumber FindDiskNumber(const WideString& disk_folder, const WideString& base_name);

} // namespace vandrel
