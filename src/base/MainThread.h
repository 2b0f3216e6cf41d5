#pragma once
// The GUI thread, as far as Qt-free code knows it: whatever the front end
// installs. The Qt program installs a blocking queued call into its event
// loop, the command-line tool and the tests a MainThreadQueue they pump.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vandrel {

using MainThreadCall = std::function<void()>;
/// Runs the call on the GUI thread and returns once it has run there.
using MainThreadDispatcher = std::function<void(const MainThreadCall&)>;

/// Installs the dispatcher and names the calling thread the GUI thread.
void SetMainThreadDispatcher(MainThreadDispatcher dispatcher);
/// True on the thread that installed the dispatcher (or on any thread when
/// none was installed).
bool IsMainThread();
/// Runs the call on the GUI thread and waits: directly when already there or
/// when no dispatcher is installed.
void RunOnMainThread(const MainThreadCall& call);

/// A queue of calls for a front end without an event loop of its own.
class MainThreadQueue {
public:
  /// Installs this queue as the dispatcher; the calling thread becomes the
  /// GUI thread. The queue must outlive every thread that posts to it.
  void Install();
  /// Runs queued calls until done() is true, waiting for new ones meanwhile.
  /// done is checked after each call and whenever Wake() is called.
  void ProcessUntil(const std::function<bool()>& done);
  /// Runs what is queued now, without waiting.
  void ProcessPending();
  /// Makes a ProcessUntil re-check its condition (callable from any thread).
  void Wake();

private:
  void PostAndWait(const MainThreadCall& call);
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> calls_;
};

} // namespace vandrel
