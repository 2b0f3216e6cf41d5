#pragma once
// The settings dialog: the language chooser bound to the main window's
// language list. A language picked in it takes effect at once; "Ok" only
// closes the dialog. Created at program entry and kept for the run.

#include <QDialog>

#include <memory>

class QGroupBox;
class QPushButton;

namespace vandrel {

class TComponent;
class TLangList;
class TLanguageChoice;

class TSettingsDlg : public QDialog {
  Q_OBJECT

public:
  /// A hidden dialog (form "SettingsDlg"), centred on owner when shown,
  /// whose chooser is bound to language_list (scanning its files now).
  explicit TSettingsDlg(QWidget* owner, TLangList* language_list);
  ~TSettingsDlg() override;

  QGroupBox* lng_frm = nullptr;
  TLanguageChoice* lang = nullptr;
  QPushButton* ok_btn = nullptr;

  /// The window as a component of the application's tree.
  TComponent* Component() const { return component_.get(); }

private:
  std::unique_ptr<TComponent> component_;
};

} // namespace vandrel
