#include "cli/BurnHandOff.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "cli/Commands.h"
#include "engine/U_UnicodeUtils.h"
#include "platform/SystemInfo.h"
#include "platform/TerminationSignals.h"
#include "shell/Settings.h"
#include "shell/U_BurnHandOff.h"

namespace vandrel::cli {

namespace {

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt() {
  interrupted = true;
}

// Waits while a burner holds the lock; false after Ctrl+C.
bool WaitWhileBurnerRuns() {
  while (IsBurnerRunning()) {
    if (interrupted) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return !interrupted;
}

} // namespace

int HandPartsToBurner(const TSplitThread& job, bool quiet) {
  const AnsiString program = EncodeNativeName(platform::RunningModuleFileName());
  const AnsiString data_folder = GetDataFolder(program, "Vandrel");
  struct Project {
    AnsiString file;
    WideString part;
  };
  std::vector<Project> projects;
  bool every_part = true;
  for (std::int32_t i = 0; i < job.PartCount; ++i) {
    const AnsiString file = ProjectFileName(data_folder, kProjectPrefix, i);
    // The burner runs in a folder of its own: it gets the full name.
    std::error_code ec;
    const auto full = std::filesystem::absolute(EncodeNativeName(job.PartName(i)), ec);
    const WideString part =
        ec ? job.PartName(i) : DecodeNativeName(full.lexically_normal().string());
    if (!WriteProjectFile(file, part)) {
      PrintError("cannot write the burner project file " + file + "; " + WideToUtf8(part) +
                 " is not handed to the burner");
      every_part = false;
      continue;
    }
    projects.push_back({file, part});
  }
  if (projects.empty()) {
    return every_part ? kExitSuccess : kExitFailed;
  }
  const AnsiString burner = FindBurnerExe();
  if (burner.empty()) {
    PrintError("no disc burner found: neither the settings (HKEY_CURRENT_USER\\" +
               AnsiString(kBurnerKeyPath) + ", values QivburnCD and Qivburn) nor the folder of " +
               program + " name one (" + BurnerExeName() + ")");
    return kExitFailed;
  }

  interrupted = false;
  platform::SetInterruptHandler(OnInterrupt);

  const size_t total = projects.size();
  bool stopped = false;
  for (size_t run = 0; run < total && !stopped; ++run) {
    if (run == 0 && IsBurnerRunning() && !quiet) {
      std::fprintf(stderr, "waiting for the burner running now to end\n");
    }
    if (!WaitWhileBurnerRuns()) {
      stopped = true;
      break;
    }
    if (!quiet) {
      std::fprintf(stderr, "Burner run %zu of %zu: %s\n", run + 1, total,
                   WideToUtf8(projects[run].part).c_str());
    }
    std::error_code ec;
    auto process = LaunchBurner(burner, projects[run].file, ec);
    if (!process) {
      PrintError("cannot start the burner " + burner + ": " + ec.message());
      every_part = false;
      continue;
    }
    WaitForBurnerReady(*process, kBurnerStartWait, {});
  }
  // The last run too has ended before the hand-off counts as done.
  if (!stopped && !WaitWhileBurnerRuns()) {
    stopped = true;
  }
  platform::SetInterruptHandler(nullptr);
  if (stopped) {
    PrintError("interrupted: no further part is handed to the burner");
    return kExitInterrupted;
  }
  return every_part ? kExitSuccess : kExitFailed;
}

} // namespace vandrel::cli
