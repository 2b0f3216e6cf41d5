#pragma once
// The launcher-entry taskbar backend on a given bus connection (the session
// bus in the program; a private bus in tests).

#include <QDBusConnection>
#include <QString>

#include <memory>

#include "ui/U_TaskBarProgressUnit.h"

namespace vandrel {

/// Emits "Update" signals of the launcher-entry interface for the desktop
/// entry (for example "vandrel.desktop") on the connection.
std::unique_ptr<TTaskbarList> CreateLauncherEntry(const QDBusConnection& connection,
                                                  const QString& desktop_entry);

} // namespace vandrel
