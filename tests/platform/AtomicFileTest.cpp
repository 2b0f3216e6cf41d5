#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/Hermetic.h"

namespace vandrel::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

mode_t ModeOf(const fs::path& file) {
  struct stat st {};
  return lstat(file.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// New files follow the umask, replaced ones keep their mode, whichever
// writer made them.
TEST(AtomicFileTest, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode) {
  TempDir dir;
  const mode_t saved = umask(0002);
  const struct {
    const char* name;
    bool (*write)(const AnsiString&, const std::string&);
  } writers[] = {{"replace", ReplaceWholeFile},
                 {"replace regular", ReplaceRegularFile},
                 {"write regular", WriteRegularFile}};
  for (const auto& w : writers) {
    SCOPED_TRACE(w.name);
    const fs::path file = dir.path() / (std::string(w.name) + ".txt");
    ASSERT_TRUE(w.write(file.string(), "first"));
    EXPECT_EQ(ModeOf(file), 0664u);
    chmod(file.c_str(), 0640);
    ASSERT_TRUE(w.write(file.string(), "second"));
    EXPECT_EQ(ModeOf(file), 0640u);
    EXPECT_EQ(ReadFile(file), "second");
  }
  const fs::path updated = dir.path() / "updated.ini";
  ASSERT_TRUE(UpdateRegularFile(updated.string(), [](std::string& text) {
    text = "[Settings]\n";
    return true;
  }));
  EXPECT_EQ(ModeOf(updated), 0664u);
  umask(saved);
}

// Our own files are never followed through a link nor opened as a FIFO
// (which would wait for a writer forever); the desktop's files follow links.
TEST(AtomicFileTest, OwnFilesAreRegularFilesOnly) {
  TempDir dir;
  const fs::path target = dir.path() / "target.txt";
  const fs::path link = dir.path() / "link.txt";
  const fs::path fifo = dir.path() / "fifo.txt";
  WriteFile(target, "kept");
  fs::create_symlink(target, link);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const fs::path& name : {link, fifo}) {
    SCOPED_TRACE(name.filename().string());
    std::string bytes = "stale";
    EXPECT_EQ(ReadRegularFile(name.string(), bytes), ReadResult::Failed);
    EXPECT_EQ(bytes, "");
    EXPECT_FALSE(ReplaceRegularFile(name.string(), "new"));
    EXPECT_FALSE(WriteRegularFile(name.string(), "new"));
    EXPECT_FALSE(UpdateRegularFile(name.string(), [](std::string&) { return true; }));
  }
  EXPECT_EQ(ReadFile(target), "kept");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::symlink_status(fifo).type(), fs::file_type::fifo);

  std::string bytes;
  EXPECT_EQ(ReadWholeFile(fifo.string(), bytes), ReadResult::Failed) << "no wait on a FIFO";
  EXPECT_EQ(ReadWholeFile(link.string(), bytes), ReadResult::Ok);
  EXPECT_EQ(bytes, "kept");
  ASSERT_TRUE(ReplaceWholeFile(link.string(), "through the link"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(target), "through the link");
}

TEST(AtomicFileTest, UpdateThatChangesNothingLeavesNoFile) {
  TempDir dir;
  const fs::path file = dir.path() / "settings.ini";
  std::string seen = "unset";
  EXPECT_TRUE(UpdateRegularFile(file.string(), [&](std::string& text) {
    seen = text;
    return false;
  }));
  EXPECT_EQ(seen, "");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

} // namespace
} // namespace vandrel::platform
