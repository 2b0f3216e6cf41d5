#include "shell/U_BurnHandOff.h"

#include <thread>

#include "engine/U_UnicodeUtils.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/NamedLock.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"

namespace vandrel {

AnsiString BurnerExeName() {
  return platform::ProgramFileName("QivburnCd");
}

std::string EncodeProjectFile(const WideString& part_name) {
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + part_name.size() * 2);
  for (const char16_t unit : part_name) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

bool DecodeProjectFile(const std::string& bytes, WideString& part_name, AnsiString& error) {
  part_name.clear();
  if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') {
    error = kProjectNoByteOrderMark;
    return false;
  }
  if (bytes.size() % 2 != 0) {
    error = kProjectOddLength;
    return false;
  }
  WideString text;
  for (size_t i = 2; i < bytes.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  if (!text.empty() && text.back() == u'\n') {
    text.pop_back();
    if (!text.empty() && text.back() == u'\r') {
      text.pop_back();
    }
  }
  if (text.empty()) {
    error = kProjectEmpty;
    return false;
  }
  for (const char16_t unit : text) {
    if (unit == u'\n' || unit == u'\r') {
      error = kProjectManyLines;
      return false;
    }
    if (unit == 0) {
      error = kProjectNul;
      return false;
    }
  }
  part_name = std::move(text);
  return true;
}

AnsiString ProjectFileName(const AnsiString& data_folder, const AnsiString& prefix, int index) {
  return data_folder + prefix + "_" + std::to_string(index) + ".qvb";
}

bool WriteProjectFile(const AnsiString& path, const WideString& part_name) {
  return platform::ReplaceRegularFile(path, EncodeProjectFile(part_name));
}

AnsiString ReadBurnerPath(const AnsiString& ValueName, const AnsiString& ExeName) {
  platform::RegistryKey key;
  AnsiString result;
  if (key.Open(platform::RegistryRoot::CurrentUser, kBurnerKeyPath, false, false) ==
      platform::RegistryStatus::Ok) {
    if (key.ReadString(ValueName, result) != platform::RegistryStatus::Ok) {
      result.clear();
    }
  }
  if (result.empty()) {
    return result;
  }
  WideString name = DecodeNativeName(result);
  if (!WFileExists(name)) {
    name = WIncludeTrailingBackslash(name) + DecodeNativeName(ExeName);
  }
  return WFileExists(name) ? EncodeNativeName(name) : AnsiString();
}

AnsiString FindBurnerExe() {
  const AnsiString exe_name = BurnerExeName();
  AnsiString found = ReadBurnerPath("QivburnCD", exe_name);
  if (found.empty()) {
    found = ReadBurnerPath("Qivburn", exe_name);
  }
  if (found.empty()) {
    // The companion burner, installed beside the program.
    const WideString program = platform::RunningModuleFileName();
    const WideString folder = WExtractFileDir(program);
    if (!folder.empty()) {
      const WideString companion = WIncludeTrailingBackslash(folder) + DecodeNativeName(exe_name);
      if (WFileExists(companion)) {
        found = EncodeNativeName(companion);
      }
    }
  }
  return found;
}

bool IsBurnerRunning() {
  return platform::IsNamedLockHeld(kBurnerLockName);
}

std::unique_ptr<platform::Process>
LaunchBurner(const AnsiString& exe, const AnsiString& project_file, std::error_code& ec) {
  return platform::Process::Start(exe, {"/datafl", project_file}, {}, ec);
}

void WaitForBurnerReady(platform::Process& burner, std::chrono::milliseconds timeout,
                        const std::function<void()>& pump) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!IsBurnerRunning() && !burner.HasExited() && std::chrono::steady_clock::now() < deadline) {
    if (pump) {
      pump();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

} // namespace vandrel
