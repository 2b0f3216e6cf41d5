#pragma once
// Profile (ini) files with the rules of the Windows profile functions:
// "[section]" lines open sections, "name=value" lines are entries, lines
// starting with ";" are comments. Section and entry names compare without
// regard to ASCII case and around blanks; the first of two equal entries
// wins; a value loses its surrounding blanks and one pair of enclosing
// quotes. Writing changes one entry in place and keeps every other line,
// comment and the file's line ends (CR LF for a new file). Files are 8-bit
// text, not converted. Our own reader and writer on every platform.

#include <vector>

#include "platform/Strings.h"

namespace vandrel::platform {

/// The names of a file's sections, in file order. Empty for a missing file.
std::vector<AnsiString> IniReadSectionNames(const AnsiString& file);
/// The entry names of a section, in file order, each once; a line "=text"
/// gives the empty name (a registry key's default value). Empty when the
/// file or the section is missing.
std::vector<AnsiString> IniReadEntryNames(const AnsiString& file, const AnsiString& section);
/// The text of an entry (GetPrivateProfileString), or fallback when the
/// file, the section or the entry is missing.
AnsiString IniReadString(const AnsiString& file, const AnsiString& section, const AnsiString& name,
                         const AnsiString& fallback = "");
/// Writes one entry (WritePrivateProfileString): replaces the entry's line,
/// else adds it after the section's last entry, else adds the section at
/// the end; creates the file when missing. The file is replaced atomically
/// under a lock that other writers (other processes too) wait for, so no
/// writer loses another's entry. Only a regular file is read or written: a
/// symbolic link or FIFO at the name reads as a missing file and refuses
/// the write. False when it could not be written (the old file is then
/// unchanged).
bool IniWriteString(const AnsiString& file, const AnsiString& section, const AnsiString& name,
                    const AnsiString& value);

/// The same rules on text in memory, for the functions above and tests.
std::vector<AnsiString> IniSectionNamesOf(const std::string& text);
std::vector<AnsiString> IniEntryNamesOf(const std::string& text, const AnsiString& section);
bool IniFindValue(const std::string& text, const AnsiString& section, const AnsiString& name,
                  AnsiString& value);
std::string IniWithEntry(const std::string& text, const AnsiString& section, const AnsiString& name,
                         const AnsiString& value);

} // namespace vandrel::platform
