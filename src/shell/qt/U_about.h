#pragma once
// The About box: the program's banner, name and version, and links to the
// vendor's mail address, web site and forums. Created at program entry and
// kept for the run; refilled at each showing so it follows the language.

#include <QDialog>

#include <memory>

#include "platform/Strings.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace vandrel {

class TComponent;
class TTextStorage;

/// The English texts of TS_about, in their index order.
inline constexpr const char* AboutTexts[] = {"About", "Application Name :", "Version :"};

class TAboutDlg : public QDialog {
  Q_OBJECT

public:
  /// A hidden box (form "AboutDlg"), 389 x 285, centred on owner when shown.
  explicit TAboutDlg(QWidget* owner = nullptr);
  ~TAboutDlg() override;

  QLabel* Image1 = nullptr;
  QGroupBox* all_grp = nullptr;
  QGroupBox* Application_grp = nullptr;
  QLabel* appname_lbl = nullptr;
  QLabel* version_lbl = nullptr;
  QGroupBox* tolvane_grp = nullptr;
  QPushButton* email_btn = nullptr;
  QPushButton* web_btn = nullptr;
  QPushButton* forum_btn = nullptr;
  QPushButton* ok_btn = nullptr;
  TTextStorage* TS_about = nullptr;

  /// The file whose version the box shows: the running program unless set.
  WideString ProgramFile;

  /// The window as a component of the application's tree.
  TComponent* Component() const { return component_.get(); }

  /// Caption: "About", a blank and the application title; the labels: the
  /// looked-up texts, a blank, the title and the program file's version
  /// (nothing after the blank when it has none).
  void FillAbout();
  /// FillAbout, then the box modally; the result is not used.
  void ShowAbout();

  void email_btnClick();
  void web_btnClick();
  void forum_btnClick();

private:
  std::unique_ptr<TComponent> component_;
};

/// The About box's banner picture, 388 x 96.
QImage DrawAboutBanner();

} // namespace vandrel
