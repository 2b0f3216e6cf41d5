#pragma once
// A portable reader of version resources (the 32-bit VS_VERSIONINFO
// layout). It finds the resource in a PE file's resources on any platform,
// and in the ".vandrel_version" section that our own ELF binaries carry
// (cmake/VersionResource.cmake), then answers the queries that
// VerQueryValue answers on Windows.
//
// Files are never trusted: any offset or length outside the file, a
// resource tree that does not lead to a version block, or a damaged block
// reads as "no version information". Nothing read is larger than the
// format allows (a block is at most 64 KiB).

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "platform/Strings.h"

namespace vandrel {

/// The raw version resource, as GetFileVersionInfo fills it.
using VersionResourceBytes = std::vector<std::uint8_t>;

/// Random access to an executable image: reads count bytes at offset into
/// the buffer, false when not all of them are there.
using ImageReader = std::function<bool(std::uint64_t offset, void* buffer, std::size_t count)>;

/// The version resource of an image of size bytes (PE or ELF), or nothing
/// when the image has none or it is damaged.
std::optional<VersionResourceBytes> ExtractVersionResource(const ImageReader& read,
                                                           std::uint64_t size);
/// The same for an image held in memory.
std::optional<VersionResourceBytes> ExtractVersionResource(std::span<const std::uint8_t> image);
/// The same for a file; nothing when it cannot be opened or read. Where the
/// system has a reader of its own (GetFileVersionInfo on Windows) it is
/// asked first, and the file is parsed here only when it finds nothing.
std::optional<VersionResourceBytes> ReadVersionResource(const WideString& file_name);

/// What IsPeFile tells of a file: "MZ", then "PE\0\0" at the offset stored
/// at byte 60; pe32_plus when the optional header's magic is 0x20B.
struct PeKind {
  bool pe32_plus = false;
};
/// The PE kind of an image of size bytes; nothing when it is no PE image
/// (or too short to tell).
std::optional<PeKind> ProbePeImage(const ImageReader& read, std::uint64_t size);
/// The same for a file; nothing when it cannot be opened or is no PE file.
std::optional<PeKind> ReadPeKind(const WideString& file_name);

/// GetFileVersionInfoSize: the size of the file's version resource, 0 when
/// it has none (or does not exist).
std::uint32_t WGetFileVersionInfoSize(const WideString& file_name);
/// GetFileVersionInfo: copies up to length bytes of the resource into data;
/// false when the file has no version resource.
bool WGetFileVersionInfo(const WideString& file_name, std::uint32_t length, void* data);

/// VS_FIXEDFILEINFO, the resource's root value.
struct TFixedFileInfo {
  std::uint32_t dwSignature = 0;
  std::uint32_t dwStrucVersion = 0;
  std::uint32_t dwFileVersionMS = 0;
  std::uint32_t dwFileVersionLS = 0;
  std::uint32_t dwProductVersionMS = 0;
  std::uint32_t dwProductVersionLS = 0;
  std::uint32_t dwFileFlagsMask = 0;
  std::uint32_t dwFileFlags = 0;
  std::uint32_t dwFileOS = 0;
  std::uint32_t dwFileType = 0;
  std::uint32_t dwFileSubtype = 0;
  std::uint32_t dwFileDateMS = 0;
  std::uint32_t dwFileDateLS = 0;
};

/// A value found by VerQueryValue: its bytes inside the resource, and
/// whether the block holds text (UTF-16) or binary data.
struct VersionValue {
  std::span<const std::uint8_t> bytes;
  bool is_text = false;
  /// wValueLength as stored: UTF-16 units for text, bytes for binary data.
  std::uint16_t stored_length = 0;
};

/// VerQueryValue: the value at path, a list of block names separated by
/// "\" and compared without regard to ASCII case ("\" alone is the root,
/// "\VarFileInfo\Translation", "StringFileInfo\040904B0\FileVersion"; the
/// leading "\" is optional). Nothing when a block on the way is missing or
/// damaged.
std::optional<VersionValue> VerQueryValue(std::span<const std::uint8_t> resource,
                                          std::string_view path);
/// The root's fixed file information; nothing when it is absent, short, or
/// lacks the 0xFEEF04BD signature.
std::optional<TFixedFileInfo> QueryFixedFileInfo(std::span<const std::uint8_t> resource);
/// The translation table's 32-bit entries (language in the low 16 bits, code
/// page in the high 16 bits); nothing when the table is missing.
std::optional<std::vector<std::uint32_t>> QueryTranslations(std::span<const std::uint8_t> resource);
/// A text value as UTF-8, up to its terminating zero; nothing when the value
/// is missing or has length 0.
std::optional<AnsiString> QueryVersionString(std::span<const std::uint8_t> resource,
                                             std::string_view path);

} // namespace vandrel
