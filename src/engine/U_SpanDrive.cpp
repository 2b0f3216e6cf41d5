#include "engine/U_SpanDrive.h"

#include <algorithm>

#include "base/Numbers.h"
#include "engine/U_UnicodeUtils.h"
#include "platform/Volumes.h"

namespace vandrel {

namespace {

bool IsDigit(char16_t ch) {
  return ch >= u'0' && ch <= u'9';
}

bool EndsWith(const WideString& s, const WideString& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// The files of a folder, in listing order. The search is closed before this
// returns, so nothing stays open on the disk.
std::vector<WideString> FileNames(const WideString& folder) {
  std::vector<WideString> names;
  TWin32FindDataW data;
  // The folder is the user's and literal; only the "*" is a wildcard.
  const FileHandle search = WFindFirstFile(WIncludeTrailingBackslash(folder) + u"*", data);
  if (search == kInvalidHandle) {
    return names;
  }
  do {
    if ((data.attributes & platform::kFileAttributeDirectory) == 0) {
      names.push_back(data.name);
    }
  } while (WFindNextFile(search, data));
  WFindClose(search);
  return names;
}

} // namespace

std::int64_t MinimalFloppyCount(std::int64_t size) {
  std::int64_t count =
      RoundHalfEven(static_cast<long double>(size) / static_cast<long double>(kFloppyDiskBytes));
  if (count * kFloppyDiskBytes < size) {
    ++count;
  }
  return count;
}

TSpanDrive::TSpanDrive(WideString folder) : folder_(std::move(folder)) {}

bool TSpanDrive::Exists() const {
  if (!Automatic()) {
    // "/media/key/" names the same folder as "/media/key".
    return WDirectoryExists(folder_.size() > 1 ? WExcludeTrailingBackslash(folder_) : folder_);
  }
  return platform::CurrentVolumes().RemovableDriveExists();
}

std::optional<WideString> TSpanDrive::DiskFolder() {
  std::int64_t free = 0;
  return DiskWithFreeSpace(free);
}

std::optional<WideString> TSpanDrive::DiskWithFreeSpace(std::int64_t& free) {
  platform::Volumes& volumes = platform::CurrentVolumes();
  free = 0;
  if (!Automatic()) {
    if (!volumes.DiskFreeSpace(folder_, free)) {
      return std::nullopt;
    }
    return folder_;
  }
  const std::vector<platform::RemovableVolume> mounted = volumes.MountedRemovableVolumes();
  if (mounted.empty()) {
    return std::nullopt;
  }
  auto chosen = std::find_if(mounted.begin(), mounted.end(), [&](const auto& volume) {
    return !last_disk_.empty() && volume.disk == last_disk_;
  });
  if (chosen == mounted.end()) {
    chosen = mounted.begin();
  }
  if (!volumes.DiskFreeSpace(chosen->mount_point, free)) {
    return std::nullopt;
  }
  last_disk_ = chosen->disk;
  return chosen->mount_point;
}

std::vector<WideString> FindSpanSets(const WideString& disk_folder) {
  std::vector<WideString> sets;
  for (const WideString& name : FileNames(disk_folder)) {
    if (name.size() > 4 && EndsWith(name, u".vd0")) {
      sets.push_back(name.substr(0, name.size() - 4));
    }
  }
  return sets;
}

DiskNumber FindDiskNumber(const WideString& disk_folder, const WideString& base_name) {
  const WideString stem = base_name + u".vd";
  std::optional<WideString> unreadable;
  for (const WideString& name : FileNames(disk_folder)) {
    if (name.size() <= stem.size() || name.compare(0, stem.size(), stem) != 0) {
      continue;
    }
    const WideString rest = name.substr(stem.size());
    if (rest.size() <= 9 && std::all_of(rest.begin(), rest.end(), IsDigit)) {
      std::int32_t number = 0;
      for (char16_t ch : rest) {
        number = number * 10 + (ch - u'0');
      }
      return {true, number};
    }
    if (!unreadable) {
      unreadable = name;
    }
  }
  if (unreadable) {
    throw EConvertError("Cannot read the disk number of " +
                        WideToUtf8(WIncludeTrailingBackslash(disk_folder) + *unreadable) + ": '" +
                        WideToUtf8(unreadable->substr(stem.size())) + "' is not a whole number");
  }
  return {};
}

} // namespace vandrel
