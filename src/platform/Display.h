#pragma once
// Whether the session has a graphical display the window can open on.

namespace vandrel::platform {

/// True when a window can be shown. Win32: always. POSIX: an X11 display
/// (DISPLAY) or a Wayland compositor (WAYLAND_DISPLAY) is named in the
/// environment.
bool HasGraphicalDisplay();

} // namespace vandrel::platform
