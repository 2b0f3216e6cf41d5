#pragma once
// The two file attributes folder clean-up needs beyond platform/FileSystem.h.

#include "platform/Strings.h"

namespace vandrel::platform {

/// True when name itself is a symbolic link (POSIX) or a reparse point
/// such as a junction (Win32), whatever it points at.
bool IsSymbolicLink(const WideString& name);
/// Makes a file or folder writable so it and its entries can be deleted:
/// Win32 sets the attributes to archive alone (clearing read-only, hidden,
/// system); POSIX adds the owner's write right. Links are left alone.
bool MakeWritable(const WideString& name);

} // namespace vandrel::platform
