#pragma once
// Whole-file reads and all-or-nothing replacement of small files (settings,
// lists): a reader never sees half a file, a failure leaves the old one.
//
// New files get mode 0666 masked by the user's umask; a replaced file keeps
// the mode it had. Nothing here blocks on a FIFO or a device: such names are
// refused.
//
// Two families: the plain functions follow symbolic links (the desktop's
// files, which users and distributions link freely); the "Regular" ones are
// for the program's own settings and log, which are read and written only
// as regular files: a symbolic link at the name is neither followed nor
// replaced, and a refusal is told on stderr, naming the file.

#include <functional>
#include <string>

#include "platform/Strings.h"

namespace vandrel::platform {

enum class ReadResult { Ok, Missing, Failed };

/// Reads the whole file into bytes. Missing when it does not exist; Failed
/// for a name that is no regular file once links are followed.
ReadResult ReadWholeFile(const AnsiString& path, std::string& bytes);

/// Replaces path with bytes: a temporary file in the same folder, flushed
/// (fsync) and renamed over it, so the file holds the old or the new
/// content, never a mix. An existing file keeps its permissions; a symbolic
/// link is followed and its target replaced. Fails, changing nothing, when
/// an existing file is not writable by us or lacks its owner's write right
/// (as a read-only file refuses a write on Windows), is no regular file, or
/// the folder takes no new file.
bool ReplaceWholeFile(const AnsiString& path, const std::string& bytes);

/// ReadWholeFile for our own files: a symbolic link, FIFO or other
/// non-regular file at path is not opened (Failed, told on stderr).
ReadResult ReadRegularFile(const AnsiString& path, std::string& bytes);
/// ReplaceWholeFile for our own files: refuses (false, told on stderr) a
/// symbolic link or non-regular file at path instead of following it.
bool ReplaceRegularFile(const AnsiString& path, const std::string& bytes);
/// Writes bytes into path in place, creating or truncating it, without the
/// flush and rename of a replacement (the log, saved often). Refuses links
/// and non-regular files as ReplaceRegularFile does.
bool WriteRegularFile(const AnsiString& path, const std::string& bytes);

/// Read-modify-write of one of our own files under an exclusive lock that
/// other processes going through this function respect, so two writers
/// never lose each other's change. change receives the current content
/// (empty when the file is missing) and returns false to write nothing.
/// The replacement is atomic as in ReplaceRegularFile. POSIX: flock on the
/// file itself, taken again when another writer replaced the file while we
/// waited; no lock file is left behind.
bool UpdateRegularFile(const AnsiString& path, const std::function<bool(std::string&)>& change);

} // namespace vandrel::platform
