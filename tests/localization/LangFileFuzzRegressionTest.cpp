// Every input the fuzzer ever crashed on stays here as a fixture.

#include <gtest/gtest.h>

#include <filesystem>

#include "LangFileFuzzing.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

TEST(LangFileFuzzRegressionTest, KeptFuzzerInputsRunClean) {
  const std::filesystem::path folder = VANDREL_FUZZ_FIXTURES;
  ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file() || entry.path().filename() == "README") {
      continue;
    }
    SCOPED_TRACE(entry.path().filename().string());
    const std::string bytes = test::ReadFile(entry.path());
    test::FuzzLanguageFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ++count;
  }
  EXPECT_GT(count, 0);
}

} // namespace
} // namespace vandrel
