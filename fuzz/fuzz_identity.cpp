// libFuzzer entry for product identity: the input is examined as an
// executable file (through every public routine) and as text (the
// clean-ups, the XML reader and the rule-list reader).

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "update/IdentityRules.h"
#include "update/U_TarvixFct.h"

namespace {

std::string ScratchFile() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp != nullptr ? tmp : "/tmp") + "/fuzz_identity_" + std::to_string(getpid()) +
         ".exe";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vandrel;
  static const std::string file = ScratchFile();
  if (std::FILE* out = std::fopen(file.c_str(), "wb")) {
    if (size > 0) {
      std::fwrite(data, 1, size, out);
    }
    std::fclose(out);
  }
  const TDisplayedFileInfo info = GetDisplayedFileInfo(file);
  GetProductVersion(file, "", "");
  GetProductVersion(file, info.ProductName, info.CompanyName);
  bool is64 = false;
  IsPeFile(file, is64);

  const std::string text(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 4096));
  StripCopyrightNoise(text);
  CleanName(text);
  CleanCompanyText(text);
  NormalizeCompany(text, file, info.ProductName);
  CleanVersionText(text);
  IsValidVersionText(text);
  GetXmlValue("name", SplitTextLines(text));
  WildcardMatches(text, "*a*b?c*");
  IdentityRuleList::Parse(text);
  return 0;
}
