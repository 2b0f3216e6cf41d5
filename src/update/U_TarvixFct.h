#pragma once
// Product identity: the product name, company and version of an executable
// in the form the update server knows them. It starts from the file's
// version resource (PE files of any platform, and the version section of
// our own ELF binaries) and applies the rule lists of update/IdentityRules.h
// and a generic clean-up. For our own executables the result is their
// "ProductName", "CompanyName" and fixed file version unchanged.
//
// Texts are 8-bit (UTF-8 on Linux); file names are 8-bit paths with "/"
// (bytes that are not UTF-8 keep working). The files examined belong to
// other programs: nothing here trusts them. Every version string is cut to
// kMaxIdentityText bytes, side files are read up to 1 MiB, and the work for
// one file is bounded whatever it holds.
//
// Linux meanings: ToSysnativePath changes nothing; the uninstall-entry
// lookups read the "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"
// key of the settings store's HKEY_LOCAL_MACHINE hive (and, for the one
// lookup that says so, of HKEY_CURRENT_USER); the "Wow6432Node" pass runs
// only where that key exists (64-bit Windows).

#include <vector>

#include "platform/Strings.h"

namespace vandrel {

/// The longest version string the identity code looks at.
inline constexpr std::size_t kMaxIdentityText = 4096;

struct TDisplayedFileInfo {
  AnsiString ProductName;
  AnsiString CompanyName;
};

/// The eight string entries of a version resource (empty when missing).
struct FileVersionInfoRec {
  AnsiString FileDescription;
  AnsiString CompanyName;
  AnsiString FileVersion;
  AnsiString InternalName;
  AnsiString LegalCopyright;
  AnsiString OriginalFilename;
  AnsiString ProductName;
  AnsiString ProductVersion;
};

/// True for the eight names that stand for products without an executable
/// ("CCCP", "QTA", "QTL", "KLITE", "KLITE64", "KLITEMEGA", "HASHTAB",
/// "OPENHASHTAB"), compared exactly.
bool IsPseudoFileName(const AnsiString& FileName);

/// Product and company of a file; when only the company is found, the
/// product is the file name without its extension.
TDisplayedFileInfo GetDisplayedFileInfo(const AnsiString& FileName);
/// The normalised product name ("" when nothing gives one).
AnsiString GetProductName(const AnsiString& FileName);
/// The normalised company; ProductName is the product already found (some
/// company rules look at it).
AnsiString GetCompanyName(const AnsiString& FileName, const AnsiString& ProductName);
/// A company text after the company rules and the generic clean-up; when
/// ProductName is empty it is found with GetProductName first.
AnsiString NormalizeCompany(const AnsiString& Company, const AnsiString& FileName,
                            const AnsiString& ProductName);
/// The version text (dotted numbers, "" when none is found); when
/// ProductName is empty both names are found with GetDisplayedFileInfo.
AnsiString GetProductVersion(const AnsiString& FileName, const AnsiString& ProductName,
                             const AnsiString& CompanyName);
/// The string entries of the first translation's table, with every ", "
/// in FileVersion and ProductVersion turned into "."; all empty when the
/// file is missing or has no version resource.
FileVersionInfoRec ReadVersionStrings(const AnsiString& FileName);

/// On 64-bit Windows in a 32-bit process, a name inside the system folder
/// gets "\sysnative\" for its first "\system32\"; otherwise (always on
/// Linux) the name unchanged.
AnsiString ToSysnativePath(const AnsiString& FileName);
/// True when the file starts with "MZ" and the offset at byte 60 leads to
/// "PE\0\0"; Is64 tells whether its optional header is PE32+ (false when
/// the function returns false).
bool IsPeFile(const AnsiString& FileName, bool& Is64);

/// The generic company clean-up that follows the company rules: licence
/// texts cleared or stripped, a trailing web address cut, "L.L.C." ending
/// as "LLC", trailing "-,;([" removed, placeholders ("TODO", "Company",
/// "none", ".", "$...") cleared, then CleanName.
AnsiString CleanCompanyText(const AnsiString& Company);
/// Trailing web addresses removed, a leading "?" and a trailing " -"
/// stripped, a lone "@" emptied, repeated until nothing changes.
AnsiString CleanName(const AnsiString& Text);
/// While there is more than one blank-separated word and the last begins
/// with "http://" (any case), it goes; then the same for "https://".
AnsiString StripTrailingUrls(const AnsiString& Text);
/// Copyright marks, years, licence and rights phrases removed from both
/// ends, repeated until nothing changes ("Copyright (C) 2019 Acme, Inc."
/// gives "Acme, Inc.").
AnsiString StripCopyrightNoise(const AnsiString& Company);
/// The trimmed content of the last line holding "<Name>" (tag found in any
/// case, the content's end "</Name>" in exact case); a line with "<!--"
/// counts only its commented part. "" when no line matches.
AnsiString GetXmlValue(const AnsiString& Name, const std::vector<AnsiString>& Lines);
/// The leading run of "0123456789., " with commas turned into dots and
/// blanks dropped ("4, 2, 0" gives "4.2.0").
AnsiString CleanVersionText(const AnsiString& Text);
/// Every byte is a digit or a dot (the empty text passes).
bool IsVersionText(const AnsiString& Text);
/// Not empty and parses as a valid version (its fields' sum is above 0).
bool IsValidVersionText(const AnsiString& Text);
/// The highest version among the subfolders of the file's folder whose
/// whole name is a valid version; "" when there are none.
AnsiString GetVersionFromNewestSubfolder(const AnsiString& FileName);

/// Uninstall-entry lookups (only entries with a string "DisplayName";
/// names compared in any case). Each returns "" when nothing matches.
/// DisplayName contains Name: the highest "DisplayVersion".
AnsiString FindUninstallVersion(const AnsiString& Name);
/// DisplayName contains Name: the highest last run of digits and dots in it.
AnsiString FindUninstallVersionInName(const AnsiString& Name);
/// DisplayName begins with Name: the last field (blank, "-") of the last
/// match.
AnsiString FindUninstallVersionByPrefix(const AnsiString& Name);
/// First field (blank, "-") equals Name: the second field of the last match.
AnsiString FindUninstallVersionByFirstWord(const AnsiString& Name);
/// First field equals Name: the highest last run of digits and dots.
AnsiString FindUninstallVersionInNameByFirstWord(const AnsiString& Name);
/// DisplayName contains Name and Also: the highest "DisplayVersion".
AnsiString FindUninstallVersionWith(const AnsiString& Name, const AnsiString& Also);
/// DisplayName contains Name but not Not: the highest "DisplayVersion".
AnsiString FindUninstallVersionWithout(const AnsiString& Name, const AnsiString& Not);
/// HKEY_CURRENT_USER's entries: "Publisher" "Yamicsoft" with a DisplayName
/// holding "Manager" and "Windows": its "DisplayVersion".
AnsiString FindCurrentUserUninstallVersion();

} // namespace vandrel
