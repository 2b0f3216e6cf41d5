// The main window's part in the program's life: creation, the start-up
// sequence at the first activation, the command line, and shut-down.

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTimer>

#include "base/Exceptions.h"
#include "engine/U_PartSizes.h"
#include "engine/U_UnicodeUtils.h"
#include "localization/C_LangList.h"
#include "net/U_HTTP_Custo.h"
#include "shell/C_FileAssociation.h"
#include "shell/Settings.h"
#include "shell/U_Log.h"
#include "shell/U_MsgDlg.h"
#include "shell/U_SystemProbes.h"
#include "ui/Qburn.h"
#include "ui/QtTranslations.h"
#include "ui/U_Main.h"
#include "ui/U_TaskBarProgressUnit.h"
#include "update/U_Tarvix_Lite.h"

namespace vandrel {

namespace {

constexpr const char* kTitle = "Vandrel";
constexpr const char* kInstalledName = "Tolvane Vandrel";
constexpr const char* kDesktopEntry = "example.tolvane.Vandrel.desktop";
constexpr std::int32_t kLogCapacity = 10000;

void PaintWhite(QWidget* panel) {
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, Qt::white);
  panel->setPalette(palette);
  panel->setAutoFillBackground(true);
}

} // namespace

AnsiString Tmain::ProgramPath() const {
  return QCoreApplication::applicationFilePath().toStdString();
}

void Tmain::FormCreate() {
  LoadPortableSettings(ProgramPath());
  split_btnClick();
}

QString Tmain::CaptionText() const {
  return QString::fromUtf8(kTitle) + QStringLiteral(" v") +
         QString::fromStdU16String(GetFileVersionText(Utf8ToWide(ProgramPath())));
}

AnsiString Tmain::ReadSetting(const AnsiString& Name) const {
  return ReadProductSetting(Name);
}

void Tmain::AppEvntActivate() {
  // A window closed before its first activation (a signal at start) stays
  // closed: nothing of the start-up runs after its shut-down.
  if (activated_ || closed_) {
    return;
  }
  // Later activations do nothing.
  activated_ = true;
  // The language list has chosen the language by now; Qt's own texts (its
  // buttons and dialogs) follow it, English included.
  LoadQtTranslations(LanguageId());

  const AnsiString program = ProgramPath();
  WriteProductPath(kTitle, program);
  setWindowTitle(CaptionText());
  PaintWhite(modes_pnl);
  PaintWhite(top_pnl);
  if (!arguments_.empty() &&
      (arguments_.front() == "register" || arguments_.front() == "unregister")) {
    if (arguments_.front() == "register") {
      fa->SetExecutable(program);
      fa->SetIcon(program);
      try {
        fa->RegisterAssociation();
      } catch (const Exception& error) {
        ShowMessage(error.Message());
      }
    } else {
      fa->RemoveAssociation();
    }
    // The program ends once the message loop regains control.
    QTimer::singleShot(0, this, [this] { close(); });
  }
  DroppedFiles.clear();
  RegisterDropTarget();
  TaskProgress = std::make_unique<TTaskProgressBar>(CreateTaskbarList(kDesktopEntry));
  for (size_t i = 0; i < PredefinedSizes.size(); ++i) {
    PredefinedSizes[i].Size = PredefinedSizeTable[i].Size;
  }
  FillSizeCombos();

  const bool debug = ReadSetting("LogMode") == "1";
  Log = std::make_unique<TKLog>(GetDataFolder(program, kTitle) + kTitle + ".log", debug,
                                kLogCapacity);
  LogAdd("Starting", kLogInfo);
  LogAdd("Debug mode", kLogVerbose);
  LogAdd(program, kLogInfo);
  LogAdd(windowTitle().toStdString(), kLogInfo);
  LogAdd("Windows : " + GetWindowsVersionText(), kLogInfo);
  LogAdd("64Bits : " + YesNoText(IsWow64()), kLogInfo);
  LogAdd("Administrator : " + YesNoText(IsAdministrator()), kLogInfo);
  LogAdd("Portable : " + YesNoText(!IsInstalled(kInstalledName)), kLogInfo);
  if (!arguments_.empty()) {
    LogAdd(arguments_.front(), kLogInfo);
  }
  LogAdd("OpenSSL : " + GetOpenSslVersionText(), kLogInfo);
  // A damaged settings hive found so far (the portable import, the
  // language) and from now on is told here.
  LogRegistryReports(Log.get());

  bool mode_selected = false;
  for (const std::string& argument : arguments_) {
    const WideString name = DecodeNativeName(argument);
    if (WFileExists(name)) {
      DroppedFiles.assign(1, GetOnDiskPath(name));
      HandleDroppedFiles();
      mode_selected = true;
      break;
    }
  }
  if (!mode_selected) {
    split_btnClick();
  }

  UpdateChecker = std::make_unique<TTarvixLite>(Log.get(), kTitle);
  SilentUpdateCheck = true;
  Checkforupdate1Click();
}

void Tmain::Quit1Click() {
  close();
}

AnsiString Tmain::LoadedLanguageName() const {
  return Langue->CurrentTitle();
}

void Tmain::Openlogfile1Click() {
  if (Log) {
    Log->Open();
  }
}

void Tmain::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void Tmain::FormClose() {
  if (closed_) {
    return;
  }
  closed_ = true;
  UpdateChecker.reset();
  // A running job stops at its next block and closes its files; the file
  // it was writing stays as far as it got. Its completion is awaited so
  // that nothing calls back into a window that is going away.
  // A burner hand-off in progress hands over no further part.
  if (QburnDlg != nullptr && QburnDlg->isVisible()) {
    QburnDlg->reject();
  }
  if (job_) {
    closing_ = true;
    job_->Terminate();
    while (!job_delivered_) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    // Closed from inside the job's completion handler (its burner dialog):
    // the worker waits for that handler to return, so the job goes after it.
    if (!in_completion_) {
      job_.reset();
    }
  }
  SavePortableSettings(ProgramPath(), kTitle, Log.get());
  LogRegistryReports(nullptr);
}

void Tmain::LogAdd(const AnsiString& message, int level) {
  vandrel::LogAdd(Log.get(), message, level);
}

void Tmain::Notice(const AnsiString& text) {
  ShowMessage(text);
}

bool Tmain::AskYes(const AnsiString& text) {
  return AskYesNo(static_cast<QWidget*>(this), text) == kIdYes;
}

} // namespace vandrel

namespace vandrel {

void Tmain::LangueAfterLanguageSwitch() {
  LogAdd("Language : " + LoadedLanguageName(), kLogInfo);
  LoadQtTranslations(LanguageId());
  FillSizeCombos();
  setWindowTitle(CaptionText());
  if (diskspan_pnl->isVisible()) {
    ShowSpanDrive();
  }
}

} // namespace vandrel
