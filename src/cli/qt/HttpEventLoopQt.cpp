#include <QCoreApplication>

#include "cli/HttpEventLoop.h"
#include "net/U_HTTP_Custo.h"

namespace vandrel::cli {

void RunWithHttpClient(const std::function<void(const std::function<void()>& quit)>& start,
                       const std::function<void()>& finish) {
  int argc = 1;
  char name[] = "vandrel-cli";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  InstallQtHttpClient();
  bool ended = false;
  start([&] {
    ended = true;
    application.quit();
  });
  // quit() before exec() would be lost.
  if (!ended) {
    application.exec();
  }
  finish();
  SetHttpClientFactory(nullptr);
}

} // namespace vandrel::cli
