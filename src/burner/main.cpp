// qivburncd: the companion burner. Started by Vandrel with "/datafl PROJECT"
// for each part to burn, it holds the burner lock while it runs.

#include <string>
#include <vector>

#include "burner/BurnerApp.h"
#include "platform/Display.h"

#ifdef VANDREL_BURNER_WINDOW
#include <QApplication>

#include "burner/BurnerWindow.h"
#endif

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  vandrel::burner::WindowRunner window;
#ifdef VANDREL_BURNER_WINDOW
  // Without a display it works as with --no-window.
  if (vandrel::platform::HasGraphicalDisplay()) {
    window = [&](vandrel::burner::TBurnJob& job, const vandrel::burner::TBurnerTexts& texts,
                 const std::string& target) {
      QApplication application(argc, argv);
      QApplication::setApplicationName(QStringLiteral("qivburncd"));
      return vandrel::burner::RunBurnerWindow(job, texts, target);
    };
  }
#endif
  return vandrel::burner::RunBurnerCommand(words, window);
}
