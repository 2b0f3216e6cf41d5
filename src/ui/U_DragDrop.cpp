#include "ui/U_DragDrop.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace vandrel {

namespace {

bool HasLocalFiles(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) {
    return false;
  }
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) {
      return true;
    }
  }
  return false;
}

} // namespace

TMyWideDropTarget::TMyWideDropTarget(QWidget* window, std::vector<WideString>* files)
    : QObject(window), Files(files) {
  setObjectName(QStringLiteral("DropTarget"));
}

bool TMyWideDropTarget::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
  case QEvent::DragEnter: {
    auto* enter = static_cast<QDragEnterEvent*>(event);
    UseHDrop = HasLocalFiles(enter->mimeData());
    if (UseHDrop) {
      enter->acceptProposedAction();
    } else {
      enter->ignore();
    }
    return true;
  }
  case QEvent::DragMove: {
    auto* move = static_cast<QDragMoveEvent*>(event);
    if ((move->possibleActions() & Qt::CopyAction) != 0) {
      if (OnDragOver) {
        OnDragOver(this, move->position().toPoint());
      }
      move->setDropAction(Qt::CopyAction);
      move->accept();
    } else {
      move->ignore();
    }
    return true;
  }
  case QEvent::DragLeave:
    return true;
  case QEvent::Drop: {
    auto* drop = static_cast<QDropEvent*>(event);
    size_t added = 0;
    if (drop->mimeData() != nullptr) {
      for (const QUrl& url : drop->mimeData()->urls()) {
        // Items that are not files on a local disk have no path to open.
        if (!url.isLocalFile()) {
          continue;
        }
        // The path's own bytes: a name that is not valid UTF-8 survives.
        const QByteArray path =
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (path.isEmpty()) {
          continue;
        }
        Files->push_back(DecodeNativeName(path.toStdString()));
        ++added;
      }
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (added > 0 && OnDrop) {
      OnDrop(this);
    }
    return true;
  }
  default:
    return QObject::eventFilter(watched, event);
  }
}

TMyWideDropTarget* RegisterWideDropTarget(QWidget* window, std::vector<WideString>* files,
                                          std::function<void(QObject*, QPoint)> on_drag_over,
                                          std::function<void(QObject*)> on_drop) {
  if (window == nullptr || files == nullptr) {
    return nullptr;
  }
  RevokeWideDropTarget(window);
  auto* target = new TMyWideDropTarget(window, files);
  target->OnDragOver = std::move(on_drag_over);
  target->OnDrop = std::move(on_drop);
  window->installEventFilter(target);
  window->setAcceptDrops(true);
  return target;
}

bool RevokeWideDropTarget(QWidget* window) {
  if (window == nullptr) {
    return false;
  }
  auto* target = window->findChild<TMyWideDropTarget*>(QString(), Qt::FindDirectChildrenOnly);
  window->setAcceptDrops(false);
  if (target == nullptr) {
    return false;
  }
  window->removeEventFilter(target);
  delete target;
  return true;
}

} // namespace vandrel
