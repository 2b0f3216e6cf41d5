#include <windows.h>

#include <thread>

#include "platform/Process.h"

namespace vandrel::platform {

namespace {

// One argument as the C runtime's command-line parser reads it back.
std::string Quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
    return argument;
  }
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
    } else if (c == '"') {
      quoted.append(backslashes * 2 + 1, '\\');
      quoted += '"';
      backslashes = 0;
      continue;
    } else {
      backslashes = 0;
    }
    quoted += c;
  }
  quoted.append(backslashes, '\\');
  quoted += '"';
  return quoted;
}

} // namespace

AnsiString ProgramFileName(const AnsiString& stem) {
  return stem + ".exe";
}

std::unique_ptr<Process> Process::Start(const AnsiString& program,
                                        const std::vector<AnsiString>& arguments,
                                        const ProcessOptions& options, std::error_code& ec) {
  ec.clear();
  // The program is quoted too: an unquoted name with blanks would let
  // CreateProcess try "C:\Program.exe" first.
  std::string command_line = Quoted(program);
  for (const AnsiString& argument : arguments) {
    command_line += ' ';
    command_line += Quoted(argument);
  }
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (options.capture_output) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!::CreatePipe(&read_end, &write_end, &inherit, 0)) {
      ec.assign(static_cast<int>(::GetLastError()), std::system_category());
      return nullptr;
    }
    ::SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
  }
  PROCESS_INFORMATION info{};
  const BOOL started = ::CreateProcessA(
      options.search_path ? nullptr : program.c_str(), command_line.data(), nullptr, nullptr,
      options.capture_output ? TRUE : FALSE, NORMAL_PRIORITY_CLASS | CREATE_NEW_PROCESS_GROUP,
      nullptr, nullptr, &startup, &info);
  if (write_end != nullptr) {
    ::CloseHandle(write_end);
  }
  if (!started) {
    ec.assign(static_cast<int>(::GetLastError()), std::system_category());
    if (read_end != nullptr) {
      ::CloseHandle(read_end);
    }
    return nullptr;
  }
  ::CloseHandle(info.hThread);
  std::unique_ptr<Process> process(new Process());
  process->pid_ = static_cast<int>(info.dwProcessId);
  process->handle_ = reinterpret_cast<std::intptr_t>(info.hProcess);
  process->output_ = read_end != nullptr ? reinterpret_cast<std::intptr_t>(read_end) : -1;
  return process;
}

Process::~Process() {
  if (output_ != -1) {
    ::CloseHandle(reinterpret_cast<HANDLE>(output_));
  }
  if (handle_ != 0) {
    ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
  }
}

bool Process::HasExited() {
  if (status_) {
    return true;
  }
  HANDLE process = reinterpret_cast<HANDLE>(handle_);
  if (::WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
    return false;
  }
  DWORD code = 1;
  ::GetExitCodeProcess(process, &code);
  status_ = static_cast<int>(code);
  return true;
}

int Process::Wait() {
  if (!status_) {
    ::WaitForSingleObject(reinterpret_cast<HANDLE>(handle_), INFINITE);
    HasExited();
  }
  return status_.value_or(1);
}

void Process::Terminate() {
  if (!status_) {
    ::TerminateProcess(reinterpret_cast<HANDLE>(handle_), 128 + 15);
  }
}

bool Process::ReadOutput(std::string& into, std::chrono::milliseconds timeout) {
  if (output_ == -1) {
    return false;
  }
  HANDLE pipe = reinterpret_cast<HANDLE>(output_);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    DWORD waiting = 0;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr)) {
      ::CloseHandle(pipe);
      output_ = -1;
      return false; // the writer closed its end
    }
    if (waiting > 0) {
      char buffer[4096];
      DWORD got = 0;
      if (!::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) || got == 0) {
        ::CloseHandle(pipe);
        output_ = -1;
        return false;
      }
      into.append(buffer, got);
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

} // namespace vandrel::platform
