#pragma once
// The file-open dialog of the main window's "Browse" buttons, and the
// folder browser. Both return names as UTF-16 text and are modal to the
// application.

#include <QObject>

#include <functional>
#include <set>
#include <vector>

#include "platform/Strings.h"

class QFileDialog;
class QWidget;

namespace vandrel {

enum class TOpenOption {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing,
  ofDontAddToRecent,
  ofForceShowHidden,
};
using TOpenOptions = std::set<TOpenOption>;
enum class TOpenOptionEx { ofExNoPlacesBar };
using TOpenOptionsEx = std::set<TOpenOptionEx>;

using TDialogEvent = std::function<void(QObject* Sender)>;
using TCloseQueryEvent = std::function<void(QObject* Sender, bool& CanClose)>;

/// Base of the program's dialogs: the events every one of them raises.
class TWideCommonDialog : public QObject {
  Q_OBJECT

public:
  explicit TWideCommonDialog(QWidget* owner);
  virtual bool Execute() = 0;

  int HelpContext = 0;
  /// Raised once the dialog is set up and centred.
  TDialogEvent OnShow;
  /// Raised when the dialog window goes away.
  TDialogEvent OnClose;

protected:
  /// Moves the window so that it is centred horizontally on the screen of
  /// the active window (else of the owner, else the first screen) with its
  /// top at one third of the free height.
  static void Centre(QWidget* dialog, QWidget* owner);
  QWidget* owner_;
};

/// File-open dialog. Filter is "description|pattern|description|pattern";
/// FileName survives between calls, so every Execute starts on the file
/// chosen last.
class TWideOpenDialog : public TWideCommonDialog {
  Q_OBJECT

public:
  explicit TWideOpenDialog(QWidget* owner);
  ~TWideOpenDialog() override;

  /// Shows the dialog modally; true when the user confirmed a file. On true
  /// FileName, FileNames and FilterIndex hold the choice; on false nothing
  /// changes.
  bool Execute() override;

  /// While the dialog is open, the file currently shown in it.
  WideString FileName() const;
  void SetFileName(const WideString& value) { file_name_ = value; }
  /// While the dialog is open, the filter currently selected (from 1).
  int FilterIndex() const;
  void SetFilterIndex(int value) { filter_index_ = value; }
  const WideString& InitialDir() const { return initial_dir_; }
  /// A trailing separator is removed unless the folder is a root.
  void SetInitialDir(const WideString& value);
  const std::vector<WideString>& FileNames() const { return file_names_; }

  WideString DefaultExt;
  WideString Filter;
  TOpenOptions Options{TOpenOption::ofHideReadOnly, TOpenOption::ofEnableSizing};
  TOpenOptionsEx OptionsEx;
  WideString Title;
  TCloseQueryEvent OnCanClose;
  TDialogEvent OnFolderChange;
  TDialogEvent OnSelectionChange;
  TDialogEvent OnTypeChange;

  /// The dialog while Execute runs (tests drive it), else none.
  QFileDialog* Dialog() const { return dialog_; }
  /// The Qt name filters that Filter gives ("*.*" matches every file).
  static QStringList NameFilters(const WideString& filter);

private:
  friend class TOpenFileDialogWindow;
  std::vector<WideString> SelectedNames() const;

  WideString file_name_;
  int filter_index_ = 1;
  WideString initial_dir_;
  std::vector<WideString> file_names_;
  QFileDialog* dialog_ = nullptr;
  int last_type_ = 0;
};

/// The folder browser: a folder chooser rooted at the user's desktop.
class TFolderBrowser : public TWideCommonDialog {
  Q_OBJECT

public:
  explicit TFolderBrowser(QWidget* owner);
  /// True when the user picked a folder; Folder then holds it.
  bool Execute() override;
  WideString Folder;
  QFileDialog* Dialog() const { return dialog_; }

private:
  QFileDialog* dialog_ = nullptr;
};

} // namespace vandrel
