#include <gtest/gtest.h>

#include <atomic>

#include "base/MainThread.h"
#include "base/Threads.h"

namespace vandrel {
namespace {

class CountingJob : public TThread {
public:
  std::vector<int> seen;
  int steps = 3;

protected:
  void Execute() override {
    for (int i = 0; i < steps && !Terminated(); ++i) {
      Synchronize([this, i] {
        EXPECT_TRUE(IsMainThread());
        seen.push_back(i);
      });
    }
  }
};

TEST(ThreadsTest, RunsSuspendedJobOnceAndDeliversCompletionOnMainThread) {
  MainThreadQueue queue;
  queue.Install();
  CountingJob job;
  std::atomic<int> completions{0};
  TThread* sender = nullptr;
  job.OnTerminate = [&](TThread* s) {
    EXPECT_TRUE(IsMainThread());
    sender = s;
    ++completions;
  };
  queue.ProcessPending();
  EXPECT_TRUE(job.seen.empty()) << "nothing runs before Start";
  job.Start();
  job.Start();
  queue.ProcessUntil([&] { return job.Finished(); });
  job.WaitFor();
  EXPECT_EQ(job.seen, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(sender, &job);
  SetMainThreadDispatcher(nullptr);
}

TEST(ThreadsTest, EscapedExceptionIsKeptAndCompletionStillRuns) {
  class Failing : public TThread {
  protected:
    void Execute() override { throw std::runtime_error("boom"); }
  };
  MainThreadQueue queue;
  queue.Install();
  Failing job;
  bool completed = false;
  job.OnTerminate = [&](TThread*) { completed = true; };
  job.Start();
  queue.ProcessUntil([&] { return job.Finished(); });
  job.WaitFor();
  EXPECT_TRUE(completed);
  EXPECT_TRUE(job.FatalException != nullptr);
  SetMainThreadDispatcher(nullptr);
}

} // namespace
} // namespace vandrel
