#include "support/Hermetic.h"

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace vandrel::test {

namespace fs = std::filesystem;

namespace {
fs::path hermetic_root;

fs::path MakeUniqueDir(const fs::path& parent, const std::string& stem) {
  static std::atomic<unsigned> counter{0};
  for (;;) {
    fs::path candidate =
        parent / (stem + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      return candidate;
    }
    if (error) {
      throw std::runtime_error("cannot create " + candidate.string() + ": " + error.message());
    }
  }
}
} // namespace

void SetUpHermeticEnvironment() {
  if (!hermetic_root.empty()) {
    return;
  }
  const char* tmp = std::getenv("TMPDIR");
  hermetic_root = MakeUniqueDir(tmp != nullptr ? fs::path(tmp) : fs::temp_directory_path(),
                                "vandrel-test-home-");
  const std::pair<const char*, const char*> folders[] = {{"HOME", "home"},
                                                         {"XDG_CONFIG_HOME", "config"},
                                                         {"XDG_DATA_HOME", "data"},
                                                         {"XDG_CACHE_HOME", "cache"},
                                                         {"XDG_STATE_HOME", "state"},
                                                         {"XDG_RUNTIME_DIR", "runtime"},
                                                         {"XDG_DATA_DIRS", "system-data"},
                                                         {"XDG_CONFIG_DIRS", "system-config"}};
  for (const auto& [variable, folder] : folders) {
    const fs::path path = hermetic_root / folder;
    fs::create_directories(path);
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
    setenv(variable, path.c_str(), 1);
  }
  std::atexit([] {
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(hermetic_root, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(hermetic_root, ignored);
  });
}

fs::path HermeticRoot() {
  return hermetic_root;
}

TempDir::TempDir() {
  SetUpHermeticEnvironment();
  path_ = MakeUniqueDir(hermetic_root, "dossier été ");
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests may leave read-only entries behind.
  for (auto it = fs::recursive_directory_iterator(path_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const {
  return (path_ / name).string();
}
WideString TempDir::WFile(const std::string& name) const {
  return Utf8ToWide(File(name));
}

void WriteFile(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + file.string());
  }
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + file.string());
  }
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string PatternBytes(size_t count, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(count, '\0');
  for (char& byte : bytes) {
    byte = static_cast<char>(generator() & 0xFF);
  }
  return bytes;
}

} // namespace vandrel::test

// glibc keeps the locale search path of LOCPATH (the tests' generated
// locales) for the whole run and never frees it: not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:__argz_add_sep\n";
}
