#pragma once
// The process's environment variables, as the C library's getenv sees them.

#include <optional>
#include <string>

namespace vandrel::platform {

/// Sets name to value (UTF-8), or removes it for nullopt. POSIX: setenv /
/// unsetenv. Win32: _wputenv_s, which keeps the C library's copy and the
/// process's own block in step.
bool SetProcessEnvironment(const std::string& name, const std::optional<std::string>& value);

/// Tests only: from now on the registry roots of this process lead into a
/// scratch key of their own (tag names it), so tests neither see nor touch
/// the user's registry. Win32: RegOverridePredefKey for HKEY_CURRENT_USER,
/// HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT onto subkeys of
/// "HKEY_CURRENT_USER\Software\Tolvane\Tests\<tag>", emptied first. POSIX:
/// nothing to do (the hives follow $XDG_CONFIG_HOME); true.
bool IsolateRegistryForTesting(const std::string& tag);

} // namespace vandrel::platform
