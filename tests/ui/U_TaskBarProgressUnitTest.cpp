#include "ui/U_TaskBarProgressUnit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vandrel {
namespace {

class RecordingTaskbar : public TTaskbarList {
public:
  explicit RecordingTaskbar(std::vector<std::string>* calls) : calls_(calls) {}
  void SetProgressValue(std::int64_t completed, std::int64_t total) override {
    calls_->push_back("value " + std::to_string(completed) + "/" + std::to_string(total));
  }
  void SetProgressState(TaskbarFlag flag) override {
    calls_->push_back("state " + std::to_string(static_cast<int>(flag)));
  }

private:
  std::vector<std::string>* calls_;
};

TEST(TaskProgressBar, StartsWithoutProgressAndSendsPositionsAgainstTheMaximum) {
  std::vector<std::string> calls;
  {
    TTaskProgressBar bar(std::make_unique<RecordingTaskbar>(&calls));
    EXPECT_EQ(calls, (std::vector<std::string>{"state 0", "state 2", "state 0"}));
    EXPECT_EQ(bar.Max, 100);
    EXPECT_EQ(bar.Position, 10);
    EXPECT_EQ(bar.TaskbarState, 0);
    calls.clear();
    bar.SetMax(100);
    bar.SetPosition(42);
    bar.SetMax(200);
    EXPECT_EQ(calls, (std::vector<std::string>{"value 10/100", "value 42/100", "value 42/200"}));
    calls.clear();
  }
  // Going away leaves the button without progress.
  EXPECT_EQ(calls, (std::vector<std::string>{"state 0"}));
}

TEST(TaskProgressBar, WithoutTaskbarDoesNothingButRemembersTheState) {
  TTaskProgressBar bar(nullptr);
  EXPECT_FALSE(bar.HasTaskbar());
  bar.SetPosition(50);
  EXPECT_EQ(bar.Position, 10);
  bar.SetState(4);
  EXPECT_EQ(bar.TaskbarState, 4);
}

TEST(TaskProgressBar, WithoutSessionBusThereIsNoTaskbarObject) {
  // The test main removes the session bus address.
  EXPECT_EQ(CreateTaskbarList("vandrel.desktop"), nullptr);
}

} // namespace
} // namespace vandrel
