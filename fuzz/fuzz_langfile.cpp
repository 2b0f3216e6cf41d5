// libFuzzer entry for language files; the body is shared with the
// regression test that replays tests/localization/fuzz_fixtures/.

#include "LangFileFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vandrel::test::FuzzLanguageFile(data, size);
  return 0;
}
