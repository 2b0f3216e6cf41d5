#pragma once
// File access by UTF-16 name: the thin layer every job, check and script
// writer goes through. Failures come back as results (kInvalidHandle, false,
// 0); nothing here raises or shows anything.
//
// On Windows the open and create calls use the long-path form and retry once
// through the ANSI call (that lives in the Win32 backend). On POSIX names
// are UTF-8 and the separator is "/"; the name functions below use the
// platform's delimiters ("\" and ":" on Windows, "/" elsewhere).

#include <cstdint>

#include "platform/FileSystem.h"
#include "platform/Strings.h"

namespace vandrel {

using platform::FileHandle;
using platform::kInvalidHandle;

/// The 16-bit mode word of WFileOpen and TWFileStream.
inline constexpr std::uint16_t fmCreate = 0xFFFF;
inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmOpenWrite = 0x0001;
inline constexpr std::uint16_t fmOpenReadWrite = 0x0002;
inline constexpr std::uint16_t fmShareExclusive = 0x0010;
inline constexpr std::uint16_t fmShareDenyWrite = 0x0020;
inline constexpr std::uint16_t fmShareDenyRead = 0x0030;
inline constexpr std::uint16_t fmShareDenyNone = 0x0040;

/// Search record of WFindFirstFile / WFindNextFile.
using TWin32FindDataW = platform::FindData;

/// Opens an existing file with the access (bits 0-1) and sharing (bits 4-7)
/// of mode. An empty name, access bits 3 or a share value above 0x40 fail
/// without touching the disk.
FileHandle WFileOpen(const WideString& name, std::uint16_t mode);
/// CreateFile with every parameter given by the caller. Names of fewer than
/// 3 characters fail without touching the disk.
FileHandle WCreateFile(const WideString& name, std::uint32_t desired_access,
                       std::uint32_t share_mode, std::uint32_t creation_disposition,
                       std::uint32_t flags_and_attributes);
bool WCreateDirectory(const WideString& name);
bool WDeleteFile(const WideString& name);

FileHandle WFindFirstFile(const WideString& pattern, TWin32FindDataW& data);
bool WFindNextFile(FileHandle search, TWin32FindDataW& data);
void WFindClose(FileHandle search);

/// True when an entry of that name exists and is not a folder.
bool WFileExists(const WideString& name);
/// True when a folder of that name exists (a bare drive on Windows: when a
/// volume is behind it).
bool WDirectoryExists(const WideString& name);

/// Empty stays empty; a name ending in the separator is unchanged; else the
/// separator is appended.
WideString WIncludeTrailingBackslash(const WideString& s);
/// Removes one final separator if there is one.
WideString WExcludeTrailingBackslash(const WideString& s);
/// The characters after the last delimiter; all of s if there is none.
WideString WExtractFileName(const WideString& s);
/// The characters before the last delimiter (excluded); empty if none.
WideString WExtractFileDir(const WideString& s);

} // namespace vandrel
