#pragma once
// Small text and file helpers shared by the shell and the update check.
// "Any case" means without regard to ASCII letter case: texts are 8-bit
// (UTF-8 on Linux) and bytes above 0x7F compare as they are. Positions and
// counts are in bytes. Paths are 8-bit texts turned into file names with
// DecodeNativeName, so a name that is not valid UTF-8 still works.

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/Strings.h"

namespace vandrel {

/// Byte by byte: a space becomes "%20"; A-Z, a-z, 0-9, "-", "." and "_" stay;
/// every other byte becomes "%" and two upper-case hexadecimal digits
/// ("/" gives "%2F", the byte 0xE9 gives "%E9").
AnsiString UrlEncode(const AnsiString& text);

/// Position of needle in haystack, any case; npos when absent. An empty
/// needle is found at 0. Linear in the haystack's length for a needle of
/// bounded length.
std::size_t FindText(std::string_view haystack, std::string_view needle);
/// Needle occurs in Haystack, any case (an empty needle always does).
bool ContainsText(std::string_view Needle, std::string_view Haystack);
/// Text begins / ends with Prefix / Suffix, any case.
bool StartsText(std::string_view Text, std::string_view Prefix);
bool EndsText(std::string_view Text, std::string_view Suffix);
/// Text begins with Prefix, exact case.
bool StartsStr(std::string_view Text, std::string_view Prefix);
/// Text without Prefix (Suffix) when it begins (ends) with it, any case;
/// else Text unchanged.
AnsiString StripPrefix(std::string_view Text, std::string_view Prefix);
AnsiString StripSuffix(std::string_view Text, std::string_view Suffix);
/// The first / last N bytes; N is held between 0 and the length.
AnsiString LeftText(std::string_view Text, long long N);
AnsiString RightText(std::string_view Text, long long N);
/// The part after / before the first Marker (exact case); Text itself when
/// Marker is absent.
AnsiString TextAfter(std::string_view Text, std::string_view Marker);
AnsiString TextBefore(std::string_view Text, std::string_view Marker);
/// 0 for an empty text, else 1 plus the number of bytes of Text found in
/// Separators.
int FieldCount(std::string_view Text, std::string_view Separators);
/// Field number Index (from 0) between separator bytes; adjacent
/// separators make empty fields; empty when there is no such field.
AnsiString FieldAt(std::string_view Text, int Index, std::string_view Separators);
/// Blanks, tabs, CR and LF (and other control bytes) cut from both ends.
AnsiString Trim(std::string_view Text);
/// Every occurrence of From (exact case) replaced by To, left to right.
AnsiString ReplaceAll(std::string_view Text, std::string_view From, std::string_view To);
/// Every occurrence of From (any case) replaced by To, left to right.
AnsiString ReplaceAllText(std::string_view Text, std::string_view From, std::string_view To);
/// Text in ASCII lower case.
AnsiString LowerAscii(std::string_view Text);

/// The file name of Path (after its last "/" or "\") without its last "."
/// and what follows.
AnsiString FileNameNoExt(std::string_view Path);
/// The folder part of Path with its final separator ("" for a bare name).
AnsiString ExtractFilePath(std::string_view Path);
/// The file exists (a regular file, links followed) and its size is above
/// 0; WOW64 redirection is off while it looks (Windows).
bool FileExistsAndNotEmpty(const AnsiString& Path);
/// The file's size in bytes; -1 when it cannot be read.
std::int64_t GetFileSize64(const AnsiString& Path);
/// Recursively appends the full path of every file under Folder whose
/// extension (with its dot) / whole name equals Ext / Name, any case.
/// Symbolic links to folders are not followed, and at most 100,000 entries
/// are looked at, so a loop or a huge tree cannot hold the caller.
void FindFilesByExt(const AnsiString& Folder, std::string_view Ext, std::vector<AnsiString>& List);
void FindFilesByName(const AnsiString& Folder, std::string_view Name,
                     std::vector<AnsiString>& List);

} // namespace vandrel
