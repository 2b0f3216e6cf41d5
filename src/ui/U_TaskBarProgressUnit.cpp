#include "ui/U_TaskBarProgressUnit.h"

#include <array>

namespace vandrel {

namespace {
constexpr std::array<TaskbarFlag, 5> kStateFlags{TaskbarFlag::NoProgress,
                                                 TaskbarFlag::Indeterminate, TaskbarFlag::Normal,
                                                 TaskbarFlag::Error, TaskbarFlag::Paused};
} // namespace

TTaskProgressBar::TTaskProgressBar(std::unique_ptr<TTaskbarList> taskbar)
    : TaskbarList(std::move(taskbar)) {
  try {
    if (TaskbarList) {
      TaskbarList->SetProgressState(TaskbarFlag::NoProgress);
    }
    Max = 100;
    Position = 10;
    SetState(2);
    SetState(0);
  } catch (...) {
    // A taskbar that fails while being set up is simply not used.
    TaskbarList.reset();
  }
}

TTaskProgressBar::~TTaskProgressBar() {
  if (TaskbarList) {
    try {
      TaskbarList->SetProgressState(TaskbarFlag::NoProgress);
    } catch (...) {
    }
  }
}

void TTaskProgressBar::SetMax(std::int32_t value) {
  Max = value;
  SetPosition(Position);
}

void TTaskProgressBar::SetPosition(std::int32_t value) {
  if (!TaskbarList) {
    return;
  }
  Position = value;
  TaskbarList->SetProgressValue(value, Max);
}

void TTaskProgressBar::SetState(std::uint8_t index) {
  if (TaskbarList && index < kStateFlags.size()) {
    TaskbarList->SetProgressState(kStateFlags[index]);
  }
  TaskbarState = index;
}

} // namespace vandrel
