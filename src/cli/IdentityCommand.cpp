// identity: the product name, company and version that the update check
// would send for a file, three lines per file in the order given (PE files
// of any platform, our own binaries, and the names that stand for products
// without an executable).

#include <cstdio>

#include "cli/Commands.h"
#include "platform/FileSystem.h"
#include "update/U_TarvixFct.h"

namespace vandrel::cli {

namespace {

// Why a file cannot be examined; empty when it can.
std::string Unreadable(const std::string& name) {
  using namespace platform;
  const WideString file = DecodeNativeName(name);
  const FileStatus status = QueryFile(file);
  if (status.kind == FileKind::Directory) {
    return "is a folder";
  }
  if (status.kind == FileKind::Special) {
    return "is not a regular file";
  }
  const ScopedFile handle(
      CreateFile(file, kGenericRead, kFileShareRead | kFileShareWrite, kOpenExisting, 0));
  if (!handle.IsValid()) {
    return ErrorText(LastError());
  }
  return {};
}

int RunIdentity(const Arguments& words) {
  // "--" before the names lets a name start with "-" (even "--help").
  const Arguments arguments(words.begin() + (!words.empty() && words.front() == "--"), words.end());
  if (arguments.empty()) {
    PrintError("identity needs at least one FILE");
    return kExitUsage;
  }
  int status = kExitSuccess;
  for (const std::string& name : arguments) {
    if (!IsPseudoFileName(name)) {
      const std::string reason = Unreadable(name);
      if (!reason.empty()) {
        PrintError(name + ": " + reason);
        status = kExitFailed;
        continue;
      }
    }
    const TDisplayedFileInfo info = GetDisplayedFileInfo(name);
    const AnsiString version = GetProductVersion(name, "", "");
    std::printf("Product: %s\nCompany: %s\nVersion: %s\n", info.ProductName.c_str(),
                info.CompanyName.c_str(), version.c_str());
  }
  return status;
}

const CommandRegistration identity_command{
    {"identity", "identity FILE...", &RunIdentity,
     "Prints, for each FILE, the product name, company and version that the\n"
     "update check would send for it: three lines \"Product: \", \"Company: \"\n"
     "and \"Version: \" (empty values stay empty). FILE is a Windows executable\n"
     "or library, one of Vandrel's own programs, or a name that stands for a\n"
     "product without an executable. A file that cannot be read is named on\n"
     "stderr with the reason (exit status 1); the others are still printed.\n"
     "\n"
     "  --                 before the names, when a name starts with '-'\n"}};

} // namespace

} // namespace vandrel::cli
