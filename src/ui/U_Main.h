#pragma once
// The main window: the modes bar, the split, rebuild and disk-spanning
// panels, the jobs they launch and what happens when a job ends.

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/U_CopyJob.h"
#include "platform/Strings.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace vandrel {

class TApplicationEvents;
class TComponent;
class TFileAssociation;
class TKLog;
class TLangList;
class TTarvixLite;
class TTextStorage;
class TRebuildThread;
class TSplitThread;
class TSpanSplitThread;
class TSpanRebuildThread;
class TSpanDrive;
class TTaskProgressBar;
class TWideOpenDialog;
class TFolderBrowser;
class TMyWideDropTarget;
class TAboutDlg;
class TSettingsDlg;
class TQburnDlg;

/// One predefined part size: its name in the current language and its bytes.
struct TPredefinedSizeEntry {
  AnsiString Name;
  std::uint64_t Size = 0;
};

/// The English texts of the window's text storage, in their index order
/// (translations follow the index). Texts added for the error reports and
/// the notices that had none come after the original 40,
/// then the refusals of inputs that are not files and of unquotable names,
/// then the burner hand-off's.
extern const std::array<const char*, 52> MainTexts;

class Tmain : public QMainWindow {
  Q_OBJECT

public:
  /// arguments: the program's arguments without the program name.
  explicit Tmain(std::vector<std::string> arguments, QWidget* parent = nullptr);
  ~Tmain() override;

  // Header.
  QFrame* top_pnl = nullptr;
  QLabel* title_lbl = nullptr;
  QLabel* sub_lbl = nullptr;
  QLabel* img = nullptr;
  // Modes bar.
  QFrame* modes_pnl = nullptr;
  QLabel* Image2 = nullptr;
  QToolButton* split_btn = nullptr;
  QToolButton* rebuild_btn = nullptr;
  QToolButton* diskspan_btn = nullptr;
  QToolButton* settings_btn = nullptr;
  QToolButton* about_btn = nullptr;
  // Split panel.
  QFrame* split_pnl = nullptr;
  QGroupBox* splitfile_grp = nullptr;
  QLineEdit* splitfile_txt = nullptr;
  QPushButton* splitfile_btn = nullptr;
  QGroupBox* splitoutput_grp = nullptr;
  QLineEdit* splitoutput_txt = nullptr;
  QPushButton* splitoutput_btn = nullptr;
  QGroupBox* splitoptions_grp = nullptr;
  QRadioButton* splitnum_rdo = nullptr;
  QLineEdit* splitnumpart_txt = nullptr;
  QRadioButton* splitsize_rdo = nullptr;
  QLineEdit* splitsizepart_txt = nullptr;
  QComboBox* splitsizeunit_cmb = nullptr;
  QLabel* splitpredef_lbl = nullptr;
  QComboBox* splitpredef_cmb = nullptr;
  QCheckBox* splitburn_chk = nullptr;
  QCheckBox* splitautoregen_chk = nullptr;
  QGroupBox* splitprog_grp = nullptr;
  QPushButton* splitgo_btn = nullptr;
  QLabel* splittimeleft_lbl = nullptr;
  QProgressBar* split_prg = nullptr;
  // Rebuild panel.
  QFrame* rebuild_pnl = nullptr;
  QGroupBox* rbldfile_grp = nullptr;
  QLineEdit* rbldfile_txt = nullptr;
  QPushButton* rbldfile_btn = nullptr;
  QGroupBox* rbldoutput_grp = nullptr;
  QLineEdit* rbldoutput_txt = nullptr;
  QPushButton* rbldoutput_btn = nullptr;
  QGroupBox* rbldoptions_grp = nullptr;
  QCheckBox* rblddelparts_chk = nullptr;
  QGroupBox* rbldprog_grp = nullptr;
  QPushButton* rbldgo_btn = nullptr;
  QLabel* rbldtimeleft_lbl = nullptr;
  QProgressBar* rbld_prg = nullptr;
  // Disk-spanning panel.
  QFrame* diskspan_pnl = nullptr;
  QGroupBox* diskspansplit_grp = nullptr;
  QLineEdit* spansplit_txt = nullptr;
  QPushButton* spansplitfile_btn = nullptr;
  QLabel* Minimal_lbl = nullptr;
  QPushButton* spansplit_btn = nullptr;
  QProgressBar* spansplit_prg = nullptr;
  QGroupBox* diskspanrebld_grp = nullptr;
  QGroupBox* diskspanoutput_grp = nullptr;
  QLineEdit* spanrbld_txt = nullptr;
  QPushButton* spanrbld_btn = nullptr;
  QGroupBox* diskspanflop_grp = nullptr;
  QPushButton* diskspanrbldsearch_btn = nullptr;
  QComboBox* diskspanflpy_cmb = nullptr;
  QPushButton* spanrebuild_btn = nullptr;
  QProgressBar* spanrbld_prg = nullptr;
  // Main menu.
  QMenu* File1 = nullptr;
  QAction* Quit1 = nullptr;
  QMenu* N1 = nullptr;
  QAction* Help1 = nullptr;
  QAction* Openlogfile1 = nullptr;
  QAction* Checkforupdate1 = nullptr;
  QAction* BugreportFeaturerequestKnownissues1 = nullptr;
  QAction* ChangeLog1 = nullptr;
  QAction* About1 = nullptr;
  // Non-visual components (owned by the window's component).
  TTextStorage* TS = nullptr;
  TApplicationEvents* AppEvnt = nullptr;
  TWideOpenDialog* WOD = nullptr;
  TFolderBrowser* BF = nullptr;
  TLangList* Langue = nullptr;
  TFileAssociation* fa = nullptr;

  // Created by the start-up sequence, kept until the end of the run.
  std::vector<WideString> DroppedFiles;
  std::unique_ptr<TTaskProgressBar> TaskProgress;
  std::array<TPredefinedSizeEntry, 13> PredefinedSizes;

  /// The window as a component of the application's tree (form "main").
  TComponent* Component() const { return component_.get(); }

  /// The English text in the window's current language.
  AnsiString Translate(const AnsiString& english) const;
  /// The Windows language identifier of the language the window shows
  /// (0x0409, English, while no language file is loaded).
  std::uint16_t LanguageId() const;
  /// The system's reason for an error code in the window's language (see
  /// platform::ErrorTextInLanguage), for the texts shown to the user; the
  /// log keeps platform::ErrorText.
  AnsiString SystemReason(int error) const;

  // Modes.
  void split_btnClick();
  void rebuild_btnClick();
  void diskspan_btnClick();
  /// Locks (false) or unlocks (true) the window around a job: the panel,
  /// the three mode buttons and the drop target.
  void EnablePanel(QWidget* Panel, bool Enabled);
  void FillSizeCombos();
  void LangueAfterLanguageSwitch();

  // Split setup.
  void splitfile_btnClick();
  void splitoutput_btnClick();
  void splitpredef_cmbChange();
  void splitsizeunit_cmbChange();
  void splitgo_btnClick();
  /// Puts a byte count into the size field and the unit combo.
  void ShowPartSize(std::int64_t Bytes);
  /// The part size the size field and unit describe; 0 when empty.
  std::int64_t ReadPartSize() const;

  // Rebuild setup.
  void rbldfile_btnClick();
  void rbldoutput_btnClick();
  void rbldgo_btnClick();

  // Disk-spanning setup: choosing the file (with the number of floppies it
  // needs) and the output folder.
  void spansplitfile_btnClick();
  void spanrbld_btnClick();

  // Disk spanning (U_MainSpan.cpp): the two jobs, the set search and the
  // folder that plays the drive (setting "SpanDrive", empty = automatic).
  QGroupBox* diskspandrive_grp = nullptr;
  QLineEdit* spandrive_txt = nullptr;
  QPushButton* spandrive_btn = nullptr;
  QLabel* spandrive_lbl = nullptr;
  /// The disk-spanning texts added to the window's own list.
  TTextStorage* TS_span = nullptr;
  /// Why jobs fail, in the window's language.
  TTextStorage* TS_jobs = nullptr;
  void spansplit_btnClick();
  void diskspanrbldsearch_btnClick();
  void spanrebuild_btnClick();
  /// Chooses the drive's folder with the folder browser.
  void spandrive_btnClick();
  /// The typed folder becomes the drive's; an empty one means automatic.
  void spandrive_txtChange();
  void SpanSplitDone(TSpanSplitThread* Job);
  void SpanRebuildDone(TSpanRebuildThread* Job);
  /// Shows the drive's folder as set and the disk in the drive now.
  void ShowSpanDrive();
  /// The text in the window's language, from the disk-spanning texts or
  /// the window's list; safe on any thread.
  AnsiString SpanTranslate(const AnsiString& english) const;

  // Progress and completion.
  void SetJobProgress(QProgressBar* Bar, int Position, int Max);
  void SplitDone(TSplitThread* Job);
  void RebuildDone(TRebuildThread* Job);
  // Burning (U_MainBurn.cpp): the hand-off dialog (created at program
  // entry, kept for the run; none until then, and none again once it is
  // destroyed), the check of the burner when a split option is ticked, and
  // the burning step after a split.
  QPointer<TQburnDlg> QburnDlg;
  /// Click handler of splitburn_chk and splitautoregen_chk: with "Burn on
  /// CD/DVD" ticked and no burner found, offers the burner's download page.
  void splitburn_chkClick();
  /// Writes a project file per part into the data folder, hands the parts
  /// to the burner through QburnDlg and logs the burning operation.
  void BurnParts(TSplitThread* Job);

  /// True between a launch and the end of its completion handler.
  bool JobRunning() const { return job_ != nullptr; }

  // Drop target.
  void HandleDroppedFiles();
  bool DropTargetRegistered() const { return drop_target_ != nullptr; }

  // Entry, first activation, shut-down.
  void FormCreate();
  void AppEvntActivate();
  void Quit1Click();

  void Openlogfile1Click();

  // The About box and the settings dialog (created at program entry, kept
  // for the run; none until then) and the help commands.
  TAboutDlg* AboutDlg = nullptr;
  TSettingsDlg* SettingsDlg = nullptr;
  void about_btnClick();
  void settings_btnClick();
  void Help1Click();
  void BugreportFeaturerequestKnownissues1Click();
  void ChangeLog1Click();
  void Checkforupdate1Click();
  /// The end of an update check: offers a newer version, or says (unless
  /// silent) that the program is up to date.
  void UpdateCheckDone();

  /// Writes a log line (nothing until the start-up sequence made the log).
  void LogAdd(const AnsiString& message, int level);
  /// The window caption: title, " v" and the program file's version.
  QString CaptionText() const;
  /// A value of the product key ("" when absent).
  AnsiString ReadSetting(const AnsiString& Name) const;
  /// The name of the language loaded now; empty when none is.
  AnsiString LoadedLanguageName() const;
  /// The full path of the program file.
  AnsiString ProgramPath() const;

  /// The activity log, made by the start-up sequence.
  std::unique_ptr<TKLog> Log;
  /// The update checker, made by the start-up sequence; SilentUpdateCheck
  /// is true while the start-up check is pending.
  std::unique_ptr<TTarvixLite> UpdateChecker;
  bool SilentUpdateCheck = false;

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void CreateControls();
  void CreateMenu();
  void CreateComponents();
  void FitFontToLayout();
  void ConnectMenu();
  void ConnectHelpCommands();
  void SwitchMode(QToolButton* button, int title_index, QWidget* panel);
  void Notice(const AnsiString& text);
  bool AskYes(const AnsiString& text);
  void StartJob(std::unique_ptr<TCopyJob> job, QProgressBar* bar, QLabel* time_left,
                std::function<void(TCopyJob*)> done);
  void ShowProgress(TCopyJob* job, QProgressBar* bar, QLabel* time_left);
  bool DeleteEarlierParts();
  /// The file checks of a job's input field; false after the log line and
  /// the notice of a refusal.
  bool CheckInput(const QLineEdit* file, const char* area, const char* not_found_log);
  void LogEndWhileClosing(const char* area, const TCopyJob& job);
  void FormClose();
  void RegisterDropTarget();
  void RevokeDropTarget();
  void CreateSpanControls();
  void CreateSpanComponents();
  void CreateJobComponents();
  /// A job's failure in the window's language, with the system's reason.
  AnsiString JobFailureText(const TCopyJob& job) const;
  TSpanDrive SpanDrive() const;

  std::unique_ptr<TComponent> component_;
  std::vector<std::string> arguments_;
  bool activated_ = false;
  bool closing_ = false;
  bool closed_ = false;
  std::unique_ptr<TCopyJob> job_;
  bool job_delivered_ = false;
  /// True while a job's completion handler runs (it may wait in a dialog).
  bool in_completion_ = false;
  TMyWideDropTarget* drop_target_ = nullptr;
};

} // namespace vandrel
