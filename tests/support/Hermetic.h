#pragma once
// Test fixtures: every test gets its own temporary folder, and the process
// runs with HOME and XDG_* pointed into a temporary root so no real user
// file is touched.

#include <filesystem>
#include <string>

#include "platform/Strings.h"

namespace vandrel::test {

/// Creates a temporary root and points HOME, XDG_CONFIG_HOME, XDG_DATA_HOME,
/// XDG_CACHE_HOME, XDG_STATE_HOME, XDG_RUNTIME_DIR and XDG_DATA_DIRS into
/// it. Called by the test main before any test; suites with a main of their
/// own call it first.
void SetUpHermeticEnvironment();
/// The hermetic root made by SetUpHermeticEnvironment.
std::filesystem::path HermeticRoot();

/// A path as UTF-8 text and back, whatever the system's narrow encoding.
std::string PathText(const std::filesystem::path& path);
std::filesystem::path PathFromUtf8(const std::string& text);

/// A fresh folder, removed with its contents when the object goes away.
/// Its name holds a blank and non-ASCII letters on purpose.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  /// path() / name as UTF-8 text and as a WideString.
  std::string File(const std::string& name) const;
  WideString WFile(const std::string& name) const;

private:
  std::filesystem::path path_;
};

/// Whole-file helpers.
void WriteFile(const std::filesystem::path& file, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& file);
/// The same for a name given as UTF-8 text (a std::string would otherwise
/// become a path in the ANSI code page on Windows).
void WriteFile(const std::string& file, const std::string& bytes);
std::string ReadFile(const std::string& file);
/// count bytes of a fixed pseudo-random pattern.
std::string PatternBytes(size_t count, unsigned seed = 1);

} // namespace vandrel::test
