#pragma once
// The hand-off of split parts to a disc burner, shared by the window and
// the command line: the project files, finding the burner, starting it and
// telling whether it runs.
//
// The contract with any burner: it is started once per part as
// "BURNER /datafl PROJECT", where PROJECT is a file of UTF-16 little-endian
// text with the byte-order mark holding one line, the part's full name; it
// holds the named lock kBurnerLockName for as long as it runs.

#include <chrono>
#include <functional>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/Process.h"
#include "platform/Strings.h"

namespace vandrel {

/// The lock a burner holds while it runs (platform/NamedLock.h).
inline constexpr char kBurnerLockName[] = "VAZADURIZ_ORAVIZI";
/// The current user's key with the burner's location.
inline constexpr char kBurnerKeyPath[] = "Software\\Qiv";
/// The first piece of the project file names of a split.
inline constexpr char kProjectPrefix[] = "vandrel";
/// How long a launch waits for the burner to take its lock.
inline constexpr std::chrono::milliseconds kBurnerStartWait{10000};

/// The burner's executable name: "QivburnCd.exe" on Windows, "qivburncd"
/// elsewhere.
AnsiString BurnerExeName();

/// Why DecodeProjectFile refuses a file, in English.
inline constexpr const char* kProjectNoByteOrderMark =
    "it does not start with the UTF-16 little-endian byte-order mark";
inline constexpr const char* kProjectOddLength =
    "its length is not a whole number of UTF-16 characters";
inline constexpr const char* kProjectEmpty = "it names no file";
inline constexpr const char* kProjectManyLines = "it holds more than one line";
inline constexpr const char* kProjectNul = "it holds a NUL character";

/// A project file's bytes: FF FE, then part_name in UTF-16 little-endian,
/// no line break. Lone surrogates (bytes of a name that are no UTF-8) are
/// written as they are, so the reader gets the same name back.
std::string EncodeProjectFile(const WideString& part_name);
/// The part name a project file holds. False, with an English reason in
/// error, for anything but the byte-order mark and one non-empty line (a
/// final line break is allowed; NUL characters and an odd byte count are
/// not).
bool DecodeProjectFile(const std::string& bytes, WideString& part_name, AnsiString& error);

/// data_folder (ending in a separator) + prefix + "_" + index + ".qvb".
AnsiString ProjectFileName(const AnsiString& data_folder, const AnsiString& prefix, int index);
/// Writes (replacing) one project file; false when it could not be written.
bool WriteProjectFile(const AnsiString& path, const WideString& part_name);

/// The string value ValueName of HKEY_CURRENT_USER\Software\Qiv (opened
/// read-only, never created): the executable itself when such a file
/// exists, else the folder holding ExeName; empty when neither exists or
/// the value is missing or empty.
AnsiString ReadBurnerPath(const AnsiString& ValueName, const AnsiString& ExeName);
/// The burner: the values "QivburnCD" then "Qivburn" (ReadBurnerPath), then
/// the companion burner beside the running executable; empty when none.
AnsiString FindBurnerExe();

/// True while some process holds the burner's lock.
bool IsBurnerRunning();

/// Starts the burner on a project file: exe "/datafl" project_file. Null
/// with ec set when it could not be started.
std::unique_ptr<platform::Process>
LaunchBurner(const AnsiString& exe, const AnsiString& project_file, std::error_code& ec);
/// Returns once the burner holds its lock or has ended, or after timeout;
/// pump runs between looks (a window keeps its events flowing).
void WaitForBurnerReady(platform::Process& burner, std::chrono::milliseconds timeout,
                        const std::function<void()>& pump);

} // namespace vandrel
