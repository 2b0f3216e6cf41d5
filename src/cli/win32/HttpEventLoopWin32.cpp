#include "base/MainThread.h"
#include "cli/HttpEventLoop.h"
#include "update/win32/WinHttpClient.h"

namespace vandrel::cli {

void RunWithHttpClient(const std::function<void(const std::function<void()>& quit)>& start,
                       const std::function<void()>& finish) {
  MainThreadQueue queue;
  queue.Install();
  InstallWinHttpClient();
  bool ended = false;
  start([&] {
    ended = true;
    queue.Wake();
  });
  queue.ProcessUntil([&] { return ended; });
  finish();
  SetHttpClientFactory(nullptr);
  SetMainThreadDispatcher(nullptr);
}

} // namespace vandrel::cli
