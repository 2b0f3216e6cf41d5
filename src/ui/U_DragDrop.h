#pragma once
// Files dropped on the main window from the desktop's file manager (a URI
// list): the names go into a list shared with the window, then its drop
// handler runs.

#include <QObject>
#include <QPoint>

#include <functional>
#include <vector>

#include "platform/Strings.h"

class QWidget;

namespace vandrel {

class TMyWideDropTarget : public QObject {
  Q_OBJECT

public:
  TMyWideDropTarget(QWidget* window, std::vector<WideString>* files);

  /// Called after a drop added at least one name to Files.
  std::function<void(QObject* Sender)> OnDrop;
  /// Called while a copy drag moves over the window.
  std::function<void(QObject* Sender, QPoint point)> OnDragOver;
  /// True when the dragged data carries local file names.
  bool UseHDrop = false;
  /// Receives the names; shared, not owned.
  std::vector<WideString>* Files;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

/// Makes the window a drop target that fills files and then calls on_drop.
/// Returns the target (owned by the window), or none when the window cannot
/// take drops.
TMyWideDropTarget* RegisterWideDropTarget(QWidget* window, std::vector<WideString>* files,
                                          std::function<void(QObject*, QPoint)> on_drag_over,
                                          std::function<void(QObject*)> on_drop);
/// Ends the registration: drags over the window are refused again. True
/// when the window was a drop target.
bool RevokeWideDropTarget(QWidget* window);

} // namespace vandrel
