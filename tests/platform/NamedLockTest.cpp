// Named locks between processes: held, seen from another process, released
// when the owner ends, and the private fallback folder.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/NamedLock.h"
#include "support/ScopedEnvironment.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using platform::IsNamedLockHeld;
using platform::NamedLock;

constexpr const char* kName = "VANDREL_TEST_LOCK";

TEST(NamedLockTest, HeldUntilItsOwnerLetsGoAndOnlyOnceAtATime) {
  EXPECT_FALSE(IsNamedLockHeld(kName));
  std::error_code ec;
  auto lock = NamedLock::TryAcquire(kName, ec);
  ASSERT_NE(lock, nullptr) << ec.message();
  EXPECT_TRUE(IsNamedLockHeld(kName));
  // A second taker is told "held", not an error.
  auto second = NamedLock::TryAcquire(kName, ec);
  EXPECT_EQ(second, nullptr);
  EXPECT_FALSE(ec);
  lock.reset();
  EXPECT_FALSE(IsNamedLockHeld(kName));
  EXPECT_EQ(platform::NamedLockLocation(kName),
            std::string(std::getenv("XDG_RUNTIME_DIR")) + "/VANDREL_TEST_LOCK.lock");
}

// Looking at the lock takes a brief shared lock; an owner starting at that
// moment must still get it, as a burner started while the window watches.
TEST(NamedLockTest, SomeoneLookingNeverKeepsTheOwnerOut) {
  std::atomic<bool> stop{false};
  std::atomic<int> looks{0};
  std::thread looker([&] {
    while (!stop) {
      (void)IsNamedLockHeld(kName);
      ++looks;
    }
  });
  while (looks == 0) {
    std::this_thread::yield();
  }
  int refused = 0;
  for (int i = 0; i < 3000; ++i) {
    std::error_code ec;
    auto lock = NamedLock::TryAcquire(kName, ec);
    refused += lock == nullptr;
    EXPECT_FALSE(ec) << ec.message();
  }
  stop = true;
  looker.join();
  EXPECT_EQ(refused, 0);
}

TEST(NamedLockTest, AnotherProcessHoldingTheLockIsSeenUntilItEnds) {
  int to_child[2];
  int to_parent[2];
  ASSERT_EQ(pipe(to_child), 0);
  ASSERT_EQ(pipe(to_parent), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::error_code ec;
    auto lock = NamedLock::TryAcquire(kName, ec);
    const char taken = lock ? 'y' : 'n';
    (void)!write(to_parent[1], &taken, 1);
    char go = 0;
    (void)!read(to_child[0], &go, 1);
    _exit(0); // the lock goes with the process, without a destructor
  }
  char taken = 0;
  ASSERT_EQ(read(to_parent[0], &taken, 1), 1);
  ASSERT_EQ(taken, 'y');
  EXPECT_TRUE(IsNamedLockHeld(kName));
  std::error_code ec;
  EXPECT_EQ(NamedLock::TryAcquire(kName, ec), nullptr);
  EXPECT_FALSE(ec);
  ASSERT_EQ(write(to_child[1], "x", 1), 1);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_FALSE(IsNamedLockHeld(kName));
  EXPECT_NE(NamedLock::TryAcquire(kName, ec), nullptr);
  for (int fd : {to_child[0], to_child[1], to_parent[0], to_parent[1]}) {
    close(fd);
  }
}

TEST(NamedLockTest, WithoutARuntimeFolderTheLockLivesInAPrivateFolderOfTmp) {
  test::ScopedEnvironment runtime("XDG_RUNTIME_DIR", std::nullopt);
  const fs::path folder = "/tmp/vandrel-" + std::to_string(getuid());
  EXPECT_EQ(platform::NamedLockLocation(kName), (folder / "VANDREL_TEST_LOCK.lock").string());
  std::error_code ec;
  auto lock = NamedLock::TryAcquire(kName, ec);
  ASSERT_NE(lock, nullptr) << ec.message();
  struct stat st {};
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(IsNamedLockHeld(kName));
  lock.reset();
  EXPECT_FALSE(IsNamedLockHeld(kName));
}

} // namespace
} // namespace vandrel
