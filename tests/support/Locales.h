#pragma once
// Locales that the machine does not have generated, made for one test run
// with localedef into a folder that LOCPATH then names.

#include <filesystem>
#include <string>

namespace vandrel::test {

/// Compiles the locale name ("fr_FR.UTF-8": the source "fr_FR" in the
/// character set "UTF-8") into folder/name and returns true when the
/// folder then holds it. Needs Debian's locales package (localedef and
/// the locale sources); false with a reason in error otherwise.
bool GenerateLocale(const std::string& name, const std::filesystem::path& folder,
                    std::string& error);

} // namespace vandrel::test
