#include "base/Threads.h"

#include <system_error>

#include "base/MainThread.h"

namespace vandrel {

TThread::TThread() = default;

TThread::~TThread() {
  if (worker_.joinable()) {
    if (worker_.get_id() == std::this_thread::get_id()) {
      worker_.detach();
    } else {
      worker_.join();
    }
  }
}

namespace {
std::atomic<bool> fail_starts{false};
} // namespace

void TThread::FailStartsForTesting(bool fail) {
  fail_starts = fail;
}

void TThread::Start() {
  if (started_.exchange(true)) {
    return;
  }
  try {
    if (fail_starts) {
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                              "thread");
    }
    worker_ = std::thread([this] { Run(); });
  } catch (...) {
    started_ = false;
    throw;
  }
}

void TThread::WaitFor() {
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) {
    worker_.join();
  }
}

void TThread::Synchronize(const std::function<void()>& fn) {
  RunOnMainThread(fn);
}

void TThread::DoTerminate() {
  if (OnTerminate) {
    Synchronize([this] { OnTerminate(this); });
  }
}

void TThread::Run() {
  try {
    Execute();
  } catch (...) {
    FatalException = std::current_exception();
  }
  try {
    DoTerminate();
  } catch (...) {
    if (!FatalException) {
      FatalException = std::current_exception();
    }
  }
  const bool free_self = FreeOnTerminate;
  finished_ = true;
  if (free_self) {
    worker_.detach();
    delete this;
  }
}

} // namespace vandrel
