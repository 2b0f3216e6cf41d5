// --version: the version read back from this executable's own version
// resource, so that what it prints is what the file carries.

#include <cstdio>

#include "cli/Commands.h"
#include "platform/SystemInfo.h"
#include "shell/C_VersionInfo.h"
#include "shell/U_SystemProbes.h"

namespace vandrel::cli {

namespace {

int RunVersion(const Arguments& arguments) {
  if (!arguments.empty()) {
    PrintError("--version takes no arguments");
    return kExitUsage;
  }
  const AnsiString executable = WideToUtf8(platform::RunningModuleFileName());
  const AnsiString version = WideToUtf8(GetFileVersionText(Utf8ToWide(executable)));
  TVersionInfo info;
  info.UseRunningModule();
  const AnsiString product = info.ProductName();
  if (version.empty() || version == "File not found" || product.empty()) {
    PrintError("no version information found in " + executable);
    return kExitFailed;
  }
  std::printf("vandrel-cli (%s) %s\n", product.c_str(), version.c_str());
  const AnsiString copyright = info.LegalCopyright();
  if (!copyright.empty()) {
    std::printf("%s\n", copyright.c_str());
  }
  return kExitSuccess;
}

const CommandRegistration version_command{
    {"--version", "--version", &RunVersion,
     "Prints the version read from the program's own version resource.\n"}};

} // namespace

} // namespace vandrel::cli
