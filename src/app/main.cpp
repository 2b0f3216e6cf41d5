// The Vandrel program: the window.

#include "platform/FileSizeLimit.h"
#include "ui/U_Program.h"

int main(int argc, char** argv) {
  vandrel::platform::TreatFileSizeLimitAsWriteError();
  return vandrel::RunVandrel(argc, argv);
}
