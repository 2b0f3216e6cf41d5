#pragma once
// The registry seam: keys with subkeys and typed values under a few roots.
// Key paths use "\" between names on every platform (that is registry
// syntax, not a file path); key and value names compare without regard to
// ASCII case, as on Windows. The default (unnamed) value has the name "".
//
// Win32 backend: advapi32 (RegCreateKeyEx, RegQueryValueEx, ...).
// POSIX backend: one hive file per root in "$XDG_CONFIG_HOME/Tolvane/"
// ("HKEY_CURRENT_USER.reg" and so on), a readable text file. Every change
// is a read-modify-write under an exclusive lock on a lock file beside the
// hive, written to a temporary file, flushed with fsync and renamed over the
// hive, so two running copies never corrupt it and a crash leaves the old or
// the new hive. Only regular files are read and written (a symbolic link or
// FIFO at the hive's name is refused, told on stderr). A hive file with
// lines that cannot be read is renamed aside (".damaged-<date>-<time>") and
// replaced by every key and value that could be read; one where nothing can
// be read leaves the root empty. Either is reported through the report
// handler: a hive is never silently emptied in place.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Strings.h"

namespace vandrel::platform {

enum class RegistryRoot { CurrentUser, LocalMachine, ClassesRoot };

/// Value types, with the Win32 REG_* numbers so the Win32 backend passes
/// them straight through. Types this program does not interpret are kept as
/// their raw bytes.
enum class RegistryType : std::uint32_t {
  None = 0,           // REG_NONE
  String = 1,         // REG_SZ
  ExpandString = 2,   // REG_EXPAND_SZ
  Binary = 3,         // REG_BINARY
  Dword = 4,          // REG_DWORD
  DwordBigEndian = 5, // REG_DWORD_BIG_ENDIAN
  Link = 6,           // REG_LINK
  MultiString = 7,    // REG_MULTI_SZ
  Qword = 11,         // REG_QWORD
};

enum class RegistryStatus {
  Ok,
  NotFound,     ///< the key or value does not exist (or the key was deleted)
  WrongType,    ///< the value exists with another type than the read asks for
  AccessDenied, ///< the key was opened read-only, or the system refused
  Failed,       ///< the hive could not be read or written
};

/// English text of a status, for error messages ("Invalid data type").
AnsiString RegistryStatusText(RegistryStatus status);

/// Path of a root as written in messages: "HKEY_CURRENT_USER" and so on.
AnsiString RegistryRootName(RegistryRoot root);

/// An open key. Default-constructed it is closed; every operation on a
/// closed key fails with NotFound. Movable, not copyable.
class RegistryKey {
public:
  RegistryKey() = default;
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey();

  /// Opens root\path. With create, the key and its missing parents are made
  /// (RegCreateKeyEx); without, a missing key gives NotFound. With
  /// writable false the key is opened for reading only and every write
  /// gives AccessDenied. An empty path opens the root itself.
  RegistryStatus Open(RegistryRoot root, const AnsiString& path, bool create, bool writable = true);
  bool IsOpen() const { return open_; }
  void Close();
  RegistryRoot Root() const { return root_; }
  /// The key's path as opened, without leading or trailing "\".
  const AnsiString& Path() const { return path_; }

  /// Names of the direct subkeys, sorted without regard to case (the order
  /// Windows enumerates them in). Empty on failure.
  std::vector<AnsiString> SubkeyNames() const;
  /// Names of the values in the order they were first written. Empty on
  /// failure.
  std::vector<AnsiString> ValueNames() const;
  bool HasValue(const AnsiString& name) const;
  /// The type of a value (RegQueryValueEx without data).
  RegistryStatus GetValueType(const AnsiString& name, RegistryType& type) const;

  /// The raw data of any value: strings without a terminating NUL, DWORDs
  /// and QWORDs little-endian.
  RegistryStatus ReadRaw(const AnsiString& name, RegistryType& type, std::string& data) const;
  /// A REG_SZ or REG_EXPAND_SZ value (unexpanded); other types give
  /// WrongType.
  RegistryStatus ReadString(const AnsiString& name, AnsiString& text) const;
  /// A REG_DWORD value; other types give WrongType.
  RegistryStatus ReadDword(const AnsiString& name, std::uint32_t& value) const;

  /// Writes (creating or replacing, whatever the old type) one value.
  RegistryStatus WriteRaw(const AnsiString& name, RegistryType type, const std::string& data);
  RegistryStatus WriteString(const AnsiString& name, const AnsiString& text);
  RegistryStatus WriteExpandString(const AnsiString& name, const AnsiString& text);
  RegistryStatus WriteDword(const AnsiString& name, std::uint32_t value);
  /// Deletes one value; NotFound when there is none.
  RegistryStatus DeleteValue(const AnsiString& name);

private:
  RegistryRoot root_ = RegistryRoot::CurrentUser;
  AnsiString path_;
  bool open_ = false;
  bool writable_ = false;
  std::intptr_t native_ = 0; ///< the backend's handle (an HKEY on Win32; unused on POSIX)
};

/// True when root\path exists.
bool RegistryKeyExists(RegistryRoot root, const AnsiString& path);
/// Deletes root\path with all its subkeys and values (RegDeleteTree and
/// the key itself). NotFound when it does not exist; the root itself cannot
/// be deleted (AccessDenied).
RegistryStatus DeleteRegistryKeyTree(RegistryRoot root, const AnsiString& path);

/// Removes what stores root when no key in it holds a value (keys without
/// values count as empty), so a portable run leaves nothing behind. POSIX:
/// the hive file, its lock file, and the hive folder when nothing else is
/// in it; true when they went. Win32: the registry keeps its own keys;
/// nothing happens (false).
bool DiscardRegistryRootIfEmpty(RegistryRoot root);

/// Receives problems of the backend that nobody asked for, such as a
/// damaged hive file kept aside. Reports made before a handler is installed
/// are kept and handed to the handler when it is installed. Pass nullptr to
/// remove the handler.
using RegistryReportHandler = std::function<void(const AnsiString& message)>;
void SetRegistryReportHandler(RegistryReportHandler handler);

} // namespace vandrel::platform
