#pragma once
// Whole-file reads and all-or-nothing replacement of small files (settings,
// lists): a reader never sees half a file, a failure leaves the old one.

#include <string>

#include "platform/Strings.h"

namespace vandrel::platform {

enum class ReadResult { Ok, Missing, Failed };

/// Reads the whole file into bytes. Missing when it does not exist.
ReadResult ReadWholeFile(const AnsiString& path, std::string& bytes);

/// Replaces path with bytes: a temporary file in the same folder, flushed
/// (fsync) and renamed over it, so the file holds the old or the new
/// content, never a mix. An existing file keeps its permissions; a symbolic
/// link is followed and its target replaced. Fails, changing nothing, when
/// an existing file is not writable by us or lacks its owner's write right
/// (as a read-only file refuses a write on Windows), or the folder takes no
/// new file.
bool ReplaceWholeFile(const AnsiString& path, const std::string& bytes);

} // namespace vandrel::platform
