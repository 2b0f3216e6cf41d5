#include "engine/PartSet.h"

#include <algorithm>

#include "engine/U_UnicodeUtils.h"
#include "platform/FileSystem.h"

namespace vandrel {

using platform::FileKind;

const char* const EarlierPartsQuestion =
    "Parts of the file have been found in the output directory. Vandrel will now delete these "
    "file. This action can not been undone. Continue anyway ?";

WideString NormalizeFolder(const WideString& typed) {
  WideString folder;
  for (const char16_t ch : typed) {
    if (ch == platform::PathSeparator() && !folder.empty() &&
        folder.back() == platform::PathSeparator()) {
      continue;
    }
    folder.push_back(ch);
  }
  if (folder.size() > 1 && folder.back() == platform::PathSeparator()) {
    const WideString without = folder.substr(0, folder.size() - 1);
    // "X:\" must stay a drive's root, not become the bare "X:".
    if (!platform::IsBareDrive(without) || platform::IsBareDrive(folder)) {
      folder = without;
    }
  }
  return folder;
}

FileProblem CheckInputFile(const WideString& name) {
  switch (platform::QueryFile(name).kind) {
  case FileKind::Missing:
    return FileProblem::Missing;
  case FileKind::Regular:
    return FileProblem::None;
  default:
    return FileProblem::NotRegular;
  }
}

std::vector<WideString> FindEarlierParts(const WideString& output_dir,
                                         const WideString& source_file) {
  const WideString folder = NormalizeFolder(output_dir);
  const WideString prefix = WExtractFileName(source_file) + u".vd";
  std::vector<WideString> found;
  platform::FolderListing listing(folder.empty() ? WideString(u".") : folder);
  platform::FindData data;
  while (listing.Next(data)) {
    if ((data.attributes & platform::kFileAttributeDirectory) == 0 &&
        data.name.compare(0, prefix.size(), prefix) == 0) {
      found.push_back(WIncludeTrailingBackslash(folder) + data.name);
    }
  }
  return found;
}

std::optional<DeleteFailure> DeleteFiles(const std::vector<WideString>& files,
                                         const std::function<void(const WideString&)>& before) {
  for (const WideString& file : files) {
    if (before) {
      before(file);
    }
    if (!WDeleteFile(file)) {
      return DeleteFailure{file, platform::LastError()};
    }
  }
  return std::nullopt;
}

std::optional<std::int64_t> RegularFileSize(const WideString& name) {
  const platform::FileStatus status = platform::QueryFile(name);
  if (status.kind != FileKind::Regular) {
    return std::nullopt;
  }
  return status.size;
}

namespace {

// The part number that a listed name gives after the prefix: decimal digits
// without a leading zero (but "0"), within the 32-bit counter.
std::optional<std::int32_t> PartNumber(const WideString& suffix) {
  if (suffix.empty() || suffix.size() > 10 ||
      !std::all_of(suffix.begin(), suffix.end(),
                   [](char16_t ch) { return ch >= u'0' && ch <= u'9'; }) ||
      (suffix.size() > 1 && suffix[0] == u'0')) {
    return std::nullopt;
  }
  std::int64_t value = 0;
  for (const char16_t ch : suffix) {
    value = value * 10 + (ch - u'0');
  }
  if (value > INT32_MAX) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

} // namespace

WideString FolderOfName(const WideString& name) {
  for (size_t i = name.size(); i > 0; --i) {
    if (platform::IsPathDelimiter(name[i - 1])) {
      return name.substr(0, i);
    }
  }
  return u".";
}

PartSetCheck CheckPartSet(const WideString& part_prefix) {
  PartSetCheck check;
  const WideString prefix_name = WExtractFileName(part_prefix);
  auto part_name = [&](std::int64_t number) { return part_prefix + WideFromInt(number); };
  auto fail = [&](const char* format, std::vector<AnsiString> args) {
    check.error_format = format;
    check.error_args = std::move(args);
    return check;
  };

  std::int64_t highest = -1;
  {
    // The listing is closed before any part is looked at.
    platform::FolderListing listing(FolderOfName(part_prefix));
    platform::FindData data;
    while (listing.Next(data)) {
      if (data.name.size() > prefix_name.size() &&
          data.name.compare(0, prefix_name.size(), prefix_name) == 0) {
        if (const auto number = PartNumber(data.name.substr(prefix_name.size()))) {
          highest = std::max<std::int64_t>(highest, *number);
        }
      }
    }
  }
  const platform::FileStatus first = platform::QueryFile(part_name(0));
  if (first.kind == FileKind::Missing) {
    return fail("Cannot open %s: file not found", {WideToUtf8(part_name(0))});
  }
  highest = std::max<std::int64_t>(highest, 0);
  // Gaps and non-files first: they say more than the sizes they upset.
  std::vector<std::int64_t> sizes;
  for (std::int64_t i = 0; i <= highest; ++i) {
    const WideString name = part_name(i);
    const platform::FileStatus part = i == 0 ? first : platform::QueryFile(name);
    if (part.kind == FileKind::Missing) {
      return fail("Missing part %s", {WideToUtf8(name)});
    }
    if (part.kind != FileKind::Regular) {
      return fail("%s is not a regular file", {WideToUtf8(name)});
    }
    sizes.push_back(part.size);
  }
  for (std::int64_t i = 0; i <= highest; ++i) {
    const std::int64_t size = sizes[static_cast<size_t>(i)];
    if (i < highest && size != first.size) {
      return fail("Part %s holds %s bytes instead of %s",
                  {WideToUtf8(part_name(i)), std::to_string(size), std::to_string(first.size)});
    }
    if (i == highest && size > first.size) {
      return fail("Part %s holds %s bytes, more than the %s bytes of the first part",
                  {WideToUtf8(part_name(i)), std::to_string(size), std::to_string(first.size)});
    }
    check.total += size;
  }
  check.count = static_cast<std::int32_t>(highest + 1);
  return check;
}

} // namespace vandrel
