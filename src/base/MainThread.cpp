#include "base/MainThread.h"

#include <atomic>
#include <chrono>
#include <exception>

namespace vandrel {

namespace {
std::mutex dispatcher_mutex;
MainThreadDispatcher installed_dispatcher;
std::thread::id main_thread_id;
std::atomic<bool> has_dispatcher{false};
} // namespace

void SetMainThreadDispatcher(MainThreadDispatcher dispatcher) {
  std::lock_guard guard(dispatcher_mutex);
  installed_dispatcher = std::move(dispatcher);
  main_thread_id = std::this_thread::get_id();
  has_dispatcher = static_cast<bool>(installed_dispatcher);
}

bool IsMainThread() {
  if (!has_dispatcher) {
    return true;
  }
  std::lock_guard guard(dispatcher_mutex);
  return std::this_thread::get_id() == main_thread_id;
}

void RunOnMainThread(const MainThreadCall& call) {
  MainThreadDispatcher dispatcher;
  {
    std::lock_guard guard(dispatcher_mutex);
    if (!installed_dispatcher || std::this_thread::get_id() == main_thread_id) {
      dispatcher = nullptr;
    } else {
      dispatcher = installed_dispatcher;
    }
  }
  if (dispatcher) {
    dispatcher(call);
  } else {
    call();
  }
}

void MainThreadQueue::Install() {
  SetMainThreadDispatcher([this](const MainThreadCall& call) { PostAndWait(call); });
}

void MainThreadQueue::PostAndWait(const MainThreadCall& call) {
  std::mutex done_mutex;
  std::condition_variable done_changed;
  bool done = false;
  std::exception_ptr failure;
  {
    std::lock_guard guard(mutex_);
    calls_.push_back([&] {
      try {
        call();
      } catch (...) {
        failure = std::current_exception();
      }
      std::lock_guard done_guard(done_mutex);
      done = true;
      done_changed.notify_one();
    });
  }
  changed_.notify_all();
  std::unique_lock lock(done_mutex);
  done_changed.wait(lock, [&] { return done; });
  if (failure) {
    std::rethrow_exception(failure);
  }
}

void MainThreadQueue::ProcessPending() {
  for (;;) {
    std::function<void()> next;
    {
      std::lock_guard guard(mutex_);
      if (calls_.empty()) {
        return;
      }
      next = std::move(calls_.front());
      calls_.pop_front();
    }
    next();
  }
}

void MainThreadQueue::ProcessUntil(const std::function<bool()>& done) {
  for (;;) {
    ProcessPending();
    if (done()) {
      return;
    }
    std::unique_lock lock(mutex_);
    // The timeout re-checks done() for conditions nobody Wake()s for.
    changed_.wait_for(lock, std::chrono::milliseconds(50), [&] { return !calls_.empty() || done(); });
    if (calls_.empty() && done()) {
      return;
    }
  }
}

void MainThreadQueue::Wake() {
  { std::lock_guard guard(mutex_); }
  changed_.notify_all();
}

} // namespace vandrel
