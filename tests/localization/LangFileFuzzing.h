#pragma once
// One round of the language-file fuzzer: the bytes after the signature
// become a record file that is walked every way TStorefile allows and then
// applied to a small window tree. Aborts when a refused file changed a
// component. The libFuzzer target and the regression test over the kept
// crash fixtures both call it.

#include <cstddef>
#include <cstdint>

namespace vandrel::test {

void FuzzLanguageFile(const std::uint8_t* data, std::size_t size);

} // namespace vandrel::test
