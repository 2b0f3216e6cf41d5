// The main window's part in the program's life: creation, the start-up
// sequence at the first activation, the command line, and shut-down.

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include "engine/U_PartSizes.h"
#include "engine/U_UnicodeUtils.h"
#include "ui/U_Main.h"
#include "ui/U_TaskBarProgressUnit.h"

namespace vandrel {

namespace {

constexpr const char* kTitle = "Vandrel";
constexpr const char* kDesktopEntry = "vandrel.desktop";

void PaintWhite(QWidget* panel) {
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, Qt::white);
  panel->setPalette(palette);
  panel->setAutoFillBackground(true);
}

} // namespace

void Tmain::FormCreate() {
  split_btnClick();
}

void Tmain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (activated_) {
    return;
  }
  // The first activation of the application runs the start-up sequence
  // once; an application that is already active (a second window in the
  // same process) counts as activated now.
  if (QGuiApplication::applicationState() == Qt::ApplicationActive) {
    QTimer::singleShot(0, this, [this] { AppEvntActivate(); });
  } else {
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
              if (state == Qt::ApplicationActive) {
                AppEvntActivate();
              }
            });
  }
}

QString Tmain::CaptionText() const {
  return QString::fromUtf8(kTitle) + QStringLiteral(" v") + QStringLiteral(VANDREL_VERSION_TEXT);
}

void Tmain::AppEvntActivate() {
  if (activated_) {
    return;
  }
  activated_ = true;
  disconnect(qApp, &QGuiApplication::applicationStateChanged, this, nullptr);

  setWindowTitle(CaptionText());
  PaintWhite(modes_pnl);
  PaintWhite(top_pnl);

  DroppedFiles.clear();
  RegisterDropTarget();
  TaskProgress = std::make_unique<TTaskProgressBar>(CreateTaskbarList(kDesktopEntry));
  for (size_t i = 0; i < PredefinedSizes.size(); ++i) {
    PredefinedSizes[i].Size = PredefinedSizeTable[i].Size;
  }
  FillSizeCombos();

  LogAdd("Starting", 1);
  LogAdd(QCoreApplication::applicationFilePath().toStdString(), 1);
  LogAdd(windowTitle().toStdString(), 1);
  if (!arguments_.empty()) {
    LogAdd(arguments_.front(), 1);
  }

  bool mode_selected = false;
  for (const std::string& argument : arguments_) {
    const WideString name = Utf8ToWide(argument);
    if (WFileExists(name)) {
      DroppedFiles.assign(1, name);
      HandleDroppedFiles();
      mode_selected = true;
      break;
    }
  }
  if (!mode_selected) {
    split_btnClick();
  }
}

void Tmain::Quit1Click() {
  close();
}

void Tmain::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void Tmain::FormClose() {
  // A running job stops at its next block and closes its files; the file
  // it was writing stays as far as it got. Its completion is awaited so
  // that nothing calls back into a window that is going away.
  if (job_) {
    closing_ = true;
    job_->Terminate();
    while (!job_delivered_) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    job_.reset();
  }
}

void Tmain::LogAdd(const AnsiString& message, int level) {
  if (OnLogLine) {
    OnLogLine(message, level);
  }
}

void Tmain::Notice(const AnsiString& text) {
  QMessageBox::information(this, QString::fromUtf8(kTitle), QString::fromStdString(text));
}

bool Tmain::AskYes(const AnsiString& text) {
  return QMessageBox::question(this, QStringLiteral("Question"), QString::fromStdString(text)) ==
         QMessageBox::Yes;
}

} // namespace vandrel
