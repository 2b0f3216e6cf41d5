#include "shell/qt/QtMessagePresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace vandrel {

int QtMessagePresenter::Present(const MessageRequest& request) {
  auto* owner = static_cast<QWidget*>(request.owner);
  if (owner == nullptr) {
    owner = QApplication::activeWindow();
  }
  QMessageBox box(owner);
  box.setWindowTitle(QString::fromStdString(request.caption));
  // File names are shown as typed: "<b>" in a name is not markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdString(request.text));
  switch (request.icon) {
  case MessageIcon::None:
    box.setIcon(QMessageBox::NoIcon);
    break;
  case MessageIcon::Warning:
    box.setIcon(QMessageBox::Warning);
    break;
  case MessageIcon::Error:
    box.setIcon(QMessageBox::Critical);
    break;
  case MessageIcon::Question:
    box.setIcon(QMessageBox::Question);
    break;
  case MessageIcon::Information:
    box.setIcon(QMessageBox::Information);
    break;
  }
  switch (request.buttons) {
  case MessageButtons::Ok:
    box.setStandardButtons(QMessageBox::Ok);
    break;
  case MessageButtons::YesNo:
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    break;
  case MessageButtons::YesNoCancel:
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    break;
  case MessageButtons::OkCancel:
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    break;
  }
  box.setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
  switch (box.exec()) {
  case QMessageBox::Yes:
    return kIdYes;
  case QMessageBox::No:
    return kIdNo;
  case QMessageBox::Cancel:
    return kIdCancel;
  case QMessageBox::Ok:
    return kIdOk;
  default:
    // Closed without a button: Cancel where there is one, else the only
    // answer that does nothing.
    if (request.buttons == MessageButtons::OkCancel ||
        request.buttons == MessageButtons::YesNoCancel) {
      return kIdCancel;
    }
    return request.buttons == MessageButtons::YesNo ? kIdNo : kIdOk;
  }
}

void InstallQtMessagePresenter() {
  SetMessagePresenter(std::make_shared<QtMessagePresenter>());
}

} // namespace vandrel
