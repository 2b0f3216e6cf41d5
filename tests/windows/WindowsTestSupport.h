#pragma once
// Helpers of the Windows suite: programs started as a user would start
// them, and the host's paths as Wine shows them.

#include "platform/win32/Windows.h"

#include <string>

#include "base/MainThread.h"
#include "engine/U_CopyJob.h"

namespace vandrel::test {

/// A path of the build machine as the Windows program sees it: Wine shows
/// the host's root as drive Z:.
inline std::wstring HostPath(const std::string& path) {
  std::wstring windows = path.size() > 1 && path[0] == '/' ? L"Z:" : L"";
  for (char ch : path) {
    windows.push_back(ch == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(ch)));
  }
  return windows;
}

struct ProcessResult {
  DWORD exit_code = 0xFFFFFFFF;
  std::string output; ///< standard output and standard error together
};

/// Starts command_line (CreateProcessW) in folder, waits for its end and
/// collects what it printed. Standard input is empty.
inline ProcessResult RunProcess(const std::wstring& command_line, const std::wstring& folder = {}) {
  ProcessResult result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) {
    return result;
  }
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  PROCESS_INFORMATION process{};
  std::wstring writable = command_line;
  const BOOL started =
      CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     folder.empty() ? nullptr : folder.c_str(), &startup, &process);
  CloseHandle(write_end);
  CloseHandle(input);
  if (started) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      result.output.append(buffer, got);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &result.exit_code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(read_end);
  return result;
}

/// The command-line tool of this build, as a Windows path.
inline std::wstring CliProgram() {
  return HostPath(VANDREL_CLI_PATH);
}

/// Runs a job to its end as a front end does, with a GUI-thread pump.
inline void RunJobToEnd(TCopyJob& job) {
  MainThreadQueue queue;
  queue.Install();
  job.Start();
  queue.ProcessUntil([&] { return job.Finished(); });
  job.WaitFor();
  SetMainThreadDispatcher(nullptr);
}

/// A UTF-8 name as the command line carries it, in double quotes.
inline std::wstring Quoted(const WideString& text) {
  return L"\"" + std::wstring(text.begin(), text.end()) + L"\"";
}

} // namespace vandrel::test
