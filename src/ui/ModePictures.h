#pragma once
// The window's pictures, drawn by the program itself so that they stay
// sharp at any size: the five mode-bar buttons, the modes bar background
// and the program icon.

#include <QIcon>
#include <QImage>
#include <QSize>

namespace vandrel {

enum class ModePicture { Split, Rebuild, DiskSpan, Settings, About };

/// A picture of size x size pixels on a transparent background.
QImage DrawModePicture(ModePicture picture, int size);
/// The modes bar's background.
QImage DrawModesBarBackground(QSize size);
/// The program icon at size x size pixels.
QImage DrawProgramIcon(int size);
/// The program icon at the usual sizes.
QIcon ProgramIcon();
/// A mode picture at the usual sizes.
QIcon ModeIcon(ModePicture picture);

} // namespace vandrel
