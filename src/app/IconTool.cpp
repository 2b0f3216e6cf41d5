// Writes the program icon as PNG files in the layout of an icon theme
// (OUTDIR/hicolor/NxN/apps/vandrel.png), at build time, for installing.

#include <QDir>
#include <QImage>

#include <cstdio>

#include "ui/ModePictures.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vandrel-icons OUTDIR\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(root).arg(size);
    if (!QDir().mkpath(folder) ||
        !vandrel::DrawProgramIcon(size).save(folder + QStringLiteral("/vandrel.png"), "PNG")) {
      std::fprintf(stderr, "cannot write the icons into %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
