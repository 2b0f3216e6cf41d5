#pragma once
// The file attributes folder clean-up and file replacement need beyond
// platform/FileSystem.h.

#include "platform/Strings.h"

namespace vandrel::platform {

/// True when name itself is a symbolic link (POSIX) or a reparse point
/// such as a junction (Win32), whatever it points at.
bool IsSymbolicLink(const WideString& name);
/// Makes a file or folder writable so it and its entries can be deleted:
/// Win32 sets the attributes to archive alone (clearing read-only, hidden,
/// system); POSIX adds the owner's write right. Links are left alone.
bool MakeWritable(const WideString& name);

/// The permissions of an existing file, for a file written anew in its
/// place to keep them: POSIX the mode bits (links not followed), -1 when
/// there is no such file. Win32: -1 (attributes are not carried over).
int FilePermissions(const WideString& name);
/// Gives name the permissions FilePermissions returned; -1 does nothing.
bool SetFilePermissions(const WideString& name, int permissions);

} // namespace vandrel::platform
