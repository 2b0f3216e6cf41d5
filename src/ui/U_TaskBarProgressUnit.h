#pragma once
// Progress on the program's taskbar button (or dock icon), mirrored from
// the job's progress bar. Every operation does nothing when the desktop
// offers no taskbar progress.

#include <cstdint>
#include <memory>

namespace vandrel {

/// Taskbar progress states; the values are the shell's TBPF_* flags.
enum class TaskbarFlag : std::uint32_t {
  NoProgress = 0x0,
  Indeterminate = 0x1,
  Normal = 0x2,
  Error = 0x4,
  Paused = 0x8,
};

/// What the desktop offers: the taskbar list object on Windows, the
/// launcher-entry signal of the program's desktop entry on Linux.
class TTaskbarList {
public:
  virtual ~TTaskbarList() = default;
  virtual void SetProgressValue(std::int64_t completed, std::int64_t total) = 0;
  virtual void SetProgressState(TaskbarFlag flag) = 0;
};

/// The desktop's taskbar object for the program's button, or none when the
/// desktop has none (no session bus). Linux: emits the launcher-entry
/// "Update" signal for desktop_entry (for example "vandrel.desktop").
std::unique_ptr<TTaskbarList> CreateTaskbarList(const char* desktop_entry);

class TTaskProgressBar {
public:
  /// Without a taskbar object every operation does nothing. With one: no
  /// progress shown, Max 100, Position 10, state Normal then NoProgress.
  explicit TTaskProgressBar(std::unique_ptr<TTaskbarList> taskbar);
  /// Leaves the button without progress.
  ~TTaskProgressBar();

  /// Stores the maximum and sends the stored position again against it.
  void SetMax(std::int32_t value);
  /// Stores and sends the position (only when there is a taskbar object).
  void SetPosition(std::int32_t value);
  /// Index 0 to 4 of NoProgress, Indeterminate, Normal, Error, Paused.
  void SetState(std::uint8_t index);

  std::int32_t Max = 100;
  std::int32_t Position = 10;
  std::uint8_t TaskbarState = 0;
  bool HasTaskbar() const { return TaskbarList != nullptr; }

private:
  std::unique_ptr<TTaskbarList> TaskbarList;
};

} // namespace vandrel
