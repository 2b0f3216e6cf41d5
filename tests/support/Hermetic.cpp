#include "support/Hermetic.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "platform/Environment.h"
#include "platform/SystemInfo.h"

namespace vandrel::test {

namespace fs = std::filesystem;

namespace {
fs::path hermetic_root;

// A process number without unistd.h: the running program's name is
// unique enough with a random part.
std::string ProcessTag() {
  static const std::string tag = std::to_string(std::random_device{}() % 1000000000u);
  return tag;
}

fs::path MakeUniqueDir(const fs::path& parent, const std::string& stem) {
  static std::atomic<unsigned> counter{0};
  for (;;) {
    fs::path candidate =
        parent / (PathFromUtf8(stem + ProcessTag() + "-" + std::to_string(counter++)));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      return candidate;
    }
    if (error) {
      throw std::runtime_error("cannot create " + PathText(candidate) + ": " + error.message());
    }
  }
}
} // namespace

void SetUpHermeticEnvironment() {
  if (!hermetic_root.empty()) {
    return;
  }
  const char* tmp = std::getenv("TMPDIR");
  std::error_code ignored;
  // Under Wine the host's TMPDIR is no Windows folder: the system's then.
  const fs::path parent = tmp != nullptr && fs::is_directory(PathFromUtf8(tmp), ignored)
                              ? PathFromUtf8(tmp)
                              : fs::temp_directory_path();
  hermetic_root = MakeUniqueDir(parent, "vandrel-test-home-");
  // Windows: the registry of the process too (nothing to do on POSIX).
  if (!platform::IsolateRegistryForTesting(ProcessTag())) {
    throw std::runtime_error("cannot isolate the registry for the tests");
  }
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
    platform::SetProcessEnvironment(variable, PathText(path));
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

std::string PathText(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path PathFromUtf8(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
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
  return PathText(path_ / PathFromUtf8(name));
}
WideString TempDir::WFile(const std::string& name) const {
  return Utf8ToWide(File(name));
}

void WriteFile(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + PathText(file));
  }
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + PathText(file));
  }
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& file, const std::string& bytes) {
  WriteFile(PathFromUtf8(file), bytes);
}

std::string ReadFile(const std::string& file) {
  return ReadFile(PathFromUtf8(file));
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
