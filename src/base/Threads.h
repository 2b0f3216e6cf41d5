#pragma once
// The thread library of the jobs: a worker created suspended, started once,
// that runs Execute and then delivers OnTerminate on the GUI thread.

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

namespace vandrel {

class TThread {
public:
  using TNotifyEvent = std::function<void(TThread* Sender)>;

  /// Created suspended: nothing runs before Start().
  TThread();
  /// Waits for a started worker to end. Destroying a running job on the GUI
  /// thread while nothing pumps the GUI thread would wait forever on its
  /// next Synchronize, so ask it to Terminate and let the pump run first.
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  /// Starts the worker; a second call does nothing. Raises
  /// std::system_error when the system cannot start a thread.
  void Start();
  /// Tests only: while set, Start raises as when the system has no thread
  /// to give.
  static void FailStartsForTesting(bool fail);
  /// Asks the worker to stop; the worker decides where it looks.
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  /// True once OnTerminate has been delivered.
  bool Finished() const { return finished_; }
  /// Blocks until the worker has ended. Not on the GUI thread while the
  /// worker may still Synchronize.
  void WaitFor();

  /// Called once on the GUI thread, with this job as sender, after Execute
  /// ended for any reason.
  TNotifyEvent OnTerminate;
  /// Delete the object on the worker thread after OnTerminate.
  bool FreeOnTerminate = false;
  /// An exception that escaped Execute, if any.
  std::exception_ptr FatalException;

protected:
  virtual void Execute() = 0;
  /// Delivers OnTerminate on the GUI thread.
  virtual void DoTerminate();
  /// Runs fn on the GUI thread and waits until it has returned.
  void Synchronize(const std::function<void()>& fn);

private:
  void Run();
  std::thread worker_;
  std::atomic<bool> started_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
};

} // namespace vandrel
