#include "burner/BurnerWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "burner/BurnerCore.h"
#include "burner/BurnerTexts.h"

namespace vandrel::burner {

namespace {
QString Q(const AnsiString& text) {
  return QString::fromStdString(text);
}
} // namespace

TBurnerDlg::TBurnerDlg(TBurnJob& job, const TBurnerTexts& texts, const AnsiString& target_text)
    : job_(job), texts_(texts) {
  setObjectName(QStringLiteral("QivburnCd"));
  setWindowTitle(Q(texts.Translate("Disc burner")));
  setMinimumWidth(420);
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(Q(texts.Translate("Part:")), this), 0, 0);
  // The part's name as the user knows it; undecodable bytes show as U+FFFD.
  part_lbl = new QLabel(QString::fromUtf8(job.PartFile.c_str()), this);
  part_lbl->setWordWrap(true);
  grid->addWidget(part_lbl, 0, 1);
  grid->addWidget(new QLabel(Q(texts.Translate("Target:")), this), 1, 0);
  target_lbl = new QLabel(Q(target_text), this);
  target_lbl->setWordWrap(true);
  grid->addWidget(target_lbl, 1, 1);
  status_lbl = new QLabel(this);
  status_lbl->setWordWrap(true);
  status_lbl->setTextFormat(Qt::PlainText);
  grid->addWidget(status_lbl, 2, 0, 1, 2);
  prog = new QProgressBar(this);
  prog->setRange(0, 100);
  grid->addWidget(prog, 3, 0, 1, 2);
  cancel_btn = new QPushButton(Q(texts.Translate("Cancel")), this);
  grid->addWidget(cancel_btn, 4, 1, Qt::AlignRight);
  grid->setColumnStretch(1, 1);
  connect(cancel_btn, &QPushButton::clicked, this, [this] { reject(); });
}

TBurnerDlg::~TBurnerDlg() {
  if (worker_.joinable()) {
    job_.Cancel();
    worker_.join();
  }
}

void TBurnerDlg::Start() {
  running_ = true;
  job_.OnProgress = [this](BurnStage stage, int percent) {
    QMetaObject::invokeMethod(
        this, [this, stage, percent] { ShowProgress(stage, percent); }, Qt::QueuedConnection);
  };
  worker_ = std::thread([this] {
    const bool written = job_.Run();
    QMetaObject::invokeMethod(
        this, [this, written] { Finished(written); }, Qt::QueuedConnection);
  });
}

void TBurnerDlg::ShowProgress(BurnStage stage, int percent) {
  switch (stage) {
  case BurnStage::Preparing:
    status_lbl->setText(Q(texts_.Translate("Preparing...")));
    prog->setRange(0, 0);
    break;
  case BurnStage::Writing:
    status_lbl->setText(
        Q(texts_.Format("Writing... %s%", {std::to_string(percent < 0 ? 0 : percent)})));
    prog->setRange(0, 100);
    prog->setValue(percent < 0 ? 0 : percent);
    break;
  case BurnStage::Verifying:
    status_lbl->setText(Q(texts_.Translate("Verifying...")));
    prog->setRange(0, 0);
    break;
  case BurnStage::Done:
    prog->setRange(0, 100);
    prog->setValue(100);
    break;
  }
}

void TBurnerDlg::Finished(bool written) {
  worker_.join();
  running_ = false;
  written_ = written;
  if (written) {
    accept();
    return;
  }
  // Cancelled from the window: nothing more to tell.
  if (job_.Cancelled()) {
    QDialog::reject();
    return;
  }
  prog->setRange(0, 100);
  prog->setValue(0);
  status_lbl->setText(Q(texts_.Format(job_.ErrorFormat, job_.ErrorArgs)));
  cancel_btn->setText(Q(texts_.Translate("Close")));
}

void TBurnerDlg::reject() {
  if (running_) {
    // The window closes once xorriso has stopped.
    job_.Cancel();
    cancel_btn->setEnabled(false);
    return;
  }
  QDialog::reject();
}

void TBurnerDlg::closeEvent(QCloseEvent* event) {
  if (running_) {
    job_.Cancel();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

int RunBurnerWindow(TBurnJob& job, const TBurnerTexts& texts, const AnsiString& target_text) {
  TBurnerDlg dialog(job, texts, target_text);
  dialog.show();
  dialog.Start();
  dialog.exec();
  return dialog.Written() ? kExitWritten : kExitFailed;
}

} // namespace vandrel::burner
