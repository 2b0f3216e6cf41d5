#include "cli/JobRunner.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

#include "base/MainThread.h"
#include "cli/Commands.h"
#include "engine/U_JobProgress.h"
#include "platform/Console.h"
#include "platform/TerminationSignals.h"

namespace vandrel::cli {

namespace {

std::atomic<bool> interrupted{false};
std::atomic<TThread*> running_job{nullptr};

// Asks the job to stop right in the handler (an atomic store), so the block
// being copied is the last one.
void OnInterrupt() {
  interrupted = true;
  if (TThread* job = running_job.load()) {
    job->Terminate();
  }
}
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<TThread*>::is_always_lock_free);

class ProgressLine {
public:
  explicit ProgressLine(const TCopyJob& job) : job_(job), start_(Clock::now()) {}

  void Update(bool final) {
    const auto now = Clock::now();
    if (!final && now - last_ < std::chrono::milliseconds(100)) {
      return;
    }
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double speed = seconds > 0 ? static_cast<double>(job_.DoneBytes) / seconds : 0;
    std::string line =
        std::to_string(job_.Percent) + "%  " + HumanBytes(static_cast<double>(job_.DoneBytes)) +
        " / " + HumanBytes(static_cast<double>(job_.TotalBytes)) + "  " + HumanBytes(speed) + "/s";
    if (job_.Percent > 0) {
      line +=
          "  " + TimeLeftText("Time Left :", TimeLeftSeconds(job_.Percent, Now() - job_.StartTime));
    }
    std::fprintf(stderr, "\r%s\033[K", line.c_str());
    shown_ = true;
  }

  void End() {
    if (shown_) {
      std::fputc('\n', stderr);
    }
  }

private:
  using Clock = std::chrono::steady_clock;
  const TCopyJob& job_;
  Clock::time_point start_;
  Clock::time_point last_{};
  bool shown_ = false;
};

} // namespace

std::string HumanBytes(double bytes) {
  static const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  int unit = 0;
  while (bytes >= 1024 && unit < 4) {
    bytes /= 1024;
    ++unit;
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
  return buffer;
}

int RunJob(TCopyJob& job, bool show_progress) {
  MainThreadQueue queue;
  queue.Install();

  interrupted = false;
  running_job = &job;
  platform::SetInterruptHandler(OnInterrupt);

  ProgressLine progress(job);
  const bool progress_visible = show_progress && platform::StandardStreamIsTerminal(2);
  if (progress_visible) {
    job.OnShowProgress = [&] { progress.Update(false); };
  }
  std::atomic<bool> completed{false};
  job.OnTerminate = [&](TThread*) { completed = true; };
  job.Start();
  queue.ProcessUntil([&] {
    if (interrupted && !job.Terminated()) {
      job.Terminate();
    }
    return completed.load();
  });
  job.WaitFor();
  platform::SetInterruptHandler(nullptr);
  running_job = nullptr;
  SetMainThreadDispatcher(nullptr);

  if (progress_visible) {
    progress.Update(true);
    progress.End();
  }
  if (job.Cancelled) {
    PrintError("interrupted: " + job.ErrorText);
    return kExitInterrupted;
  }
  if (!job.Succeeded()) {
    PrintError(job.ErrorText);
    return kExitFailed;
  }
  return kExitSuccess;
}

} // namespace vandrel::cli
