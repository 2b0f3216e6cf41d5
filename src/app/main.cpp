// The Vandrel program: the window.

#include "ui/U_Program.h"

int main(int argc, char** argv) {
  return vandrel::RunVandrel(argc, argv);
}
