// check-update: the window's update check from a terminal, for this
// program's own executable.

#ifdef VANDREL_HAVE_HTTP

#include <cstdio>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/HttpEventLoop.h"
#include "platform/SystemInfo.h"
#include "shell/U_Log.h"
#include "update/U_Tarvix_Lite.h"

namespace vandrel::cli {

namespace {

/// A newer version exists.
constexpr int kExitNewVersion = 3;

int RunCheckUpdate(const Arguments& arguments) {
  AnsiString server;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--server" && i + 1 < arguments.size() && !arguments[i + 1].empty()) {
      server = arguments[++i];
    } else {
      PrintError(arguments[i] == "--server" ? "option --server needs HOST[:PORT]"
                                            : "unexpected argument '" + arguments[i] + "'");
      return kExitUsage;
    }
  }

  // No log file: the lines are printed instead. Debug mode keeps the
  // Verbose lines, which say why an answer was no version.
  TKLog log("", true, 1000);
  bool new_version = false;
  bool answered = false;
  std::optional<TTarvixLite> checker;
  // The client needs an event loop; only this command runs one. The
  // checker goes with the loop: its client belongs to it.
  RunWithHttpClient(
      [&](const std::function<void()>& quit) {
        checker.emplace(&log, VANDREL_PRODUCT_NAME);
        checker->Server = server;
        checker->Check(WideToUtf8(platform::RunningModuleFileName()),
                       [quit](TTarvixLite*) { quit(); });
        // A check that could not start has already ended.
        if (!checker->Busy) {
          quit();
        }
      },
      [&] {
        new_version = checker->NewVersion;
        answered = checker->Answered;
        checker.reset();
      });

  for (auto line = log.Lines.rbegin(); line != log.Lines.rend(); ++line) {
    std::printf("%s\n", line->c_str());
  }
  if (new_version) {
    std::printf("A new version of %s is available: %s\n", VANDREL_PRODUCT_NAME,
                DownloadPageUrl().c_str());
    return kExitNewVersion;
  }
  if (answered) {
    std::printf("%s is already up to date.\n", VANDREL_PRODUCT_NAME);
    return kExitSuccess;
  }
  PrintError("the update check failed (see the log lines above)");
  return kExitFailed;
}

const CommandRegistration check_update_command{
    {"check-update", "check-update [--server HOST[:PORT]]", &RunCheckUpdate,
     "Asks the update server whether a newer version exists and prints the\n"
     "exchange's log lines and the outcome. Exit status 0 up to date, 3 a newer\n"
     "version exists, 1 the exchange failed.\n"
     "\n"
     "  --server HOST[:PORT]  the server to ask (default: the stored UpdateServer\n"
     "                        setting, else the vendor's update server)\n"}};

} // namespace

} // namespace vandrel::cli

#endif // VANDREL_HAVE_HTTP
