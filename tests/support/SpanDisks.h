#pragma once
// Removable disks for the disk-span tests: a folder plays the drive and the
// test swaps disks in and out of it between prompts, as a user would.
//
// Tmpfs: every disk is a small tmpfs volume of its own, bind-mounted on the
// drive folder while it is "in the drive"; needs root. Fake: plain folders
// behind a fake volumes seam that counts each disk's files against its
// capacity; runs anywhere. Both fail the test when anything is still open
// on the drive when a disk is taken out.

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/MainThread.h"
#include "engine/U_CopyJob.h"
#include "platform/Volumes.h"
#include "support/Hermetic.h"
#include "support/ScriptedMessagePresenter.h"

namespace vandrel::test {

enum class DiskKind { Fake, Tmpfs };

inline std::string DiskKindName(const testing::TestParamInfo<DiskKind>& info) {
  return info.param == DiskKind::Fake ? "FakeVolumes" : "TmpfsVolumes";
}

/// The page-rounded tmpfs size nearest above a floppy's capacity.
inline constexpr std::int64_t kTmpfsDiskBytes = 1458176;

class FakeVolumes : public platform::Volumes {
public:
  std::filesystem::path drive;
  std::int64_t capacity = 0;
  bool inserted = false;
  bool drive_exists = true;
  int flushes = 0;

  bool RemovableDriveExists() override { return drive_exists; }
  std::vector<platform::RemovableVolume> MountedRemovableVolumes() override {
    if (!inserted) {
      return {};
    }
    return {{Utf8ToWide(drive.string()), "sdz"}};
  }
  bool DiskFreeSpace(const WideString& folder, std::int64_t& free) override {
    free = 0;
    if (!inserted || !SameFolder(folder)) {
      return false;
    }
    std::int64_t used = 0;
    for (const auto& entry : std::filesystem::directory_iterator(drive)) {
      used += entry.is_regular_file() ? static_cast<std::int64_t>(entry.file_size()) : 0;
    }
    free = std::max<std::int64_t>(0, capacity - used);
    return true;
  }
  bool FlushVolume(const WideString& folder) override {
    EXPECT_TRUE(SameFolder(folder)) << WideToUtf8(folder);
    ++flushes;
    return true;
  }

private:
  bool SameFolder(const WideString& folder) const {
    std::error_code error;
    return std::filesystem::equivalent(std::filesystem::path(WideToUtf8(folder)), drive, error);
  }
};

class SpanDisks {
public:
  /// Why this kind cannot run here; empty when it can.
  static std::string Unavailable(DiskKind kind) {
    if (kind == DiskKind::Tmpfs && geteuid() != 0) {
      return "mounting tmpfs volumes needs root; the fake volumes run the same cases";
    }
    return {};
  }

  SpanDisks(DiskKind kind, int count, std::int64_t capacity) : kind_(kind), capacity_(capacity) {
    std::filesystem::create_directories(drive());
    for (int disk = 1; disk <= count; ++disk) {
      std::filesystem::create_directories(Store(disk));
      if (kind_ == DiskKind::Tmpfs) {
        const std::string options = "size=" + std::to_string(capacity);
        EXPECT_EQ(mount("tmpfs", Store(disk).c_str(), "tmpfs", 0, options.c_str()), 0)
            << std::strerror(errno);
        mounted_.push_back(Store(disk));
      }
    }
    if (kind_ == DiskKind::Fake) {
      fake_ = std::make_shared<FakeVolumes>();
      fake_->drive = drive();
      fake_->capacity = capacity;
      previous_ = platform::SetVolumes(fake_);
    }
  }

  ~SpanDisks() {
    if (kind_ == DiskKind::Fake) {
      platform::SetVolumes(previous_);
    } else {
      if (inserted_ != 0) {
        umount2(drive().c_str(), MNT_DETACH);
      }
      for (const auto& path : mounted_) {
        umount2(path.c_str(), MNT_DETACH);
      }
    }
  }

  std::filesystem::path drive() const { return dir_.path() / "drive"; }
  WideString Drive() const { return Utf8ToWide(drive().string()); }
  FakeVolumes* fake() const { return fake_.get(); }
  std::int64_t capacity() const { return capacity_; }
  int inserted() const { return inserted_; }

  /// Puts the disk in the drive (taking out the one there).
  void Insert(int disk) {
    Eject();
    if (kind_ == DiskKind::Tmpfs) {
      ASSERT_EQ(mount(Store(disk).c_str(), drive().c_str(), nullptr, MS_BIND, nullptr), 0)
          << std::strerror(errno);
    } else {
      MoveFiles(Store(disk), drive());
      fake_->inserted = true;
    }
    inserted_ = disk;
  }

  /// Takes the disk out of the drive; fails the test when something is
  /// still open on it.
  void Eject() {
    if (inserted_ == 0) {
      return;
    }
    if (kind_ == DiskKind::Tmpfs) {
      ASSERT_EQ(umount2(drive().c_str(), 0), 0)
          << "the drive cannot be unmounted: " << std::strerror(errno);
    } else {
      ExpectNothingOpenOnDrive();
      MoveFiles(drive(), Store(inserted_));
      fake_->inserted = false;
    }
    inserted_ = 0;
  }

  /// Writes a file on a disk, in or out of the drive.
  void Put(int disk, const std::string& name, const std::string& bytes) {
    WriteFile(Where(disk) / name, bytes);
  }
  /// The files on a disk and their contents.
  std::map<std::string, std::string> Files(int disk) const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(Where(disk))) {
      files[entry.path().filename().string()] = ReadFile(entry.path());
    }
    return files;
  }
  /// The bytes free on the disk in the drive, as the volumes seam sees it.
  std::int64_t FreeInDrive() const {
    std::int64_t free = -1;
    EXPECT_TRUE(platform::CurrentVolumes().DiskFreeSpace(Drive(), free));
    return free;
  }

private:
  std::filesystem::path Store(int disk) const {
    return dir_.path() / "store" / ("disk " + std::to_string(disk));
  }
  std::filesystem::path Where(int disk) const {
    return kind_ == DiskKind::Fake && inserted_ == disk ? drive() : Store(disk);
  }
  static void MoveFiles(const std::filesystem::path& from, const std::filesystem::path& to) {
    for (const auto& entry : std::filesystem::directory_iterator(from)) {
      std::filesystem::rename(entry.path(), to / entry.path().filename());
    }
  }
  void ExpectNothingOpenOnDrive() const {
    const std::string prefix = std::filesystem::canonical(drive()).string();
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
      std::error_code error;
      const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
      EXPECT_FALSE(!error && target.rfind(prefix, 0) == 0)
          << "open on the drive while a disk is taken out: " << target;
    }
  }

  DiskKind kind_;
  std::int64_t capacity_;
  TempDir dir_;
  int inserted_ = 0;
  std::vector<std::filesystem::path> mounted_;
  std::shared_ptr<FakeVolumes> fake_;
  std::shared_ptr<platform::Volumes> previous_;
};

/// One prompt of a job as the test answers it: the disk put in the drive
/// first (0: leave the drive as it is, -1: take the disk out), then the
/// button pressed.
struct DiskStep {
  int insert;
  int answer;
};

/// Answers the next boxes in order, swapping disks before each answer.
inline void ScriptPrompts(ScriptedMessagePresenter& presenter, SpanDisks& disks,
                          std::vector<DiskStep> steps) {
  const size_t first = presenter.Shown().size();
  presenter.BeforeAnswer([&disks, steps, first](size_t shown, const MessageRequest&) {
    const size_t index = shown - first;
    if (shown < first || index >= steps.size()) {
      return;
    }
    if (steps[index].insert > 0) {
      disks.Insert(steps[index].insert);
    } else if (steps[index].insert < 0) {
      disks.Eject();
    }
  });
  for (const DiskStep& step : steps) {
    presenter.Answer({step.answer});
  }
}

struct SpanRun {
  std::vector<std::int32_t> percents;
  int completions = 0;
};

/// Runs a job to its end as a front end does: a GUI-thread pump that also
/// shows the prompts, the progress recorded, the completion counted.
inline SpanRun RunSpanJob(TCopyJob& job) {
  SpanRun run;
  MainThreadQueue queue;
  queue.Install();
  job.OnShowProgress = [&] { run.percents.push_back(job.Percent); };
  job.OnTerminate = [&](TThread*) { ++run.completions; };
  job.Start();
  queue.ProcessUntil([&] { return job.Finished(); });
  job.WaitFor();
  SetMainThreadDispatcher(nullptr);
  return run;
}

} // namespace vandrel::test
