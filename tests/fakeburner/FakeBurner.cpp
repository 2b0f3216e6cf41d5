// A stand-in burner for the hand-off tests: takes the burner lock, records
// its arguments and the part its project file names, holds the lock until
// the file FAKE_BURNER_HOLD_UNTIL + "-" + the project file's own name
// exists (or a moment when unset), and records its end before it lets the
// lock go.
//
// Records go to the file FAKE_BURNER_LOG, one line each:
//   start <argument count> <arguments joined by "|">
//   part <the part name in the project file, as UTF-8>
//   end
// or "busy" when the lock was held by someone else.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "platform/AtomicFile.h"
#include "platform/NamedLock.h"
#include "shell/U_BurnHandOff.h"

namespace {

void Record(const std::string& line) {
  const char* log = std::getenv("FAKE_BURNER_LOG");
  if (log == nullptr) {
    return;
  }
  std::ofstream out(log, std::ios::app);
  out << line << '\n';
}

} // namespace

int main(int argc, char** argv) {
  std::error_code ec;
  auto lock = vandrel::platform::NamedLock::TryAcquire(vandrel::kBurnerLockName, ec);
  if (!lock) {
    Record("busy");
    return 3;
  }
  std::string joined;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) {
      joined += '|';
    }
    joined += argv[i];
  }
  std::string start = "start ";
  start += std::to_string(argc - 1);
  start += ' ';
  start += joined;
  Record(start);
  if (argc == 3) {
    std::string bytes;
    vandrel::WideString part;
    vandrel::AnsiString error;
    if (vandrel::platform::ReadWholeFile(argv[2], bytes) == vandrel::platform::ReadResult::Ok &&
        vandrel::DecodeProjectFile(bytes, part, error)) {
      Record("part " + vandrel::EncodeNativeName(part));
    } else {
      Record("part ?");
    }
  }
  const char* hold_until = std::getenv("FAKE_BURNER_HOLD_UNTIL");
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  if (hold_until != nullptr && *hold_until != '\0' && argc == 3) {
    std::string project = argv[2];
    std::string release = hold_until;
    release += '-';
    release += project.substr(project.rfind('/') + 1);
    while (access(release.c_str(), F_OK) != 0 && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  Record("end");
  return 0;
}
