#include "ui/Qburn.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadialGradient>
#include <QTimer>

#include "localization/qt/QtComponents.h"
#include "shell/U_BurnHandOff.h"

namespace vandrel {

QImage DrawDiscPicture() {
  QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient shine(QPointF(18, 16), 30);
  shine.setColorAt(0, QColor(0xF4, 0xF6, 0xFA));
  shine.setColorAt(0.5, QColor(0xB9, 0xC8, 0xE0));
  shine.setColorAt(1, QColor(0x7C, 0x93, 0xBE));
  p.setPen(QPen(QColor(0x5A, 0x6E, 0x96), 1.2));
  p.setBrush(shine);
  p.drawEllipse(QRectF(2, 2, 44, 44));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(18, 18, 12, 12));
  p.setBrush(QColor(0x5A, 0x6E, 0x96));
  p.drawEllipse(QRectF(22, 22, 4, 4));
  p.end();
  return image;
}

TQburnDlg::TQburnDlg(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("QburnDlg"));
  setWindowTitle(QStringLiteral("Burn"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(300, 96);
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setPixmap(QPixmap::fromImage(DrawDiscPicture()));
  Image1->setGeometry(12, 12, 48, 48);
  prog = new QProgressBar(this);
  prog->setObjectName(QStringLiteral("prog"));
  prog->setGeometry(72, 24, 216, 18);
  prog->setTextVisible(false);
  cancel_btn = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_btn->setObjectName(QStringLiteral("cancel_btn"));
  cancel_btn->setGeometry(208, 60, 80, 28);
  connect(cancel_btn, &QPushButton::clicked, this, &QDialog::reject);
  tmr = new QTimer(this);
  tmr->setObjectName(QStringLiteral("tmr"));
  tmr->setInterval(1000);
  connect(tmr, &QTimer::timeout, this, [this] { tmrTimer(); });
  component_ = AdoptWindow(this);
}

TQburnDlg::~TQburnDlg() = default;

bool TQburnDlg::StartBurning() {
  if (FindBurnerExe().empty() || BurnTotal < 1 || ProjectPrefix.empty()) {
    return false;
  }
  prog->setMinimum(0);
  BurnCount = 0;
  prog->setMaximum(BurnTotal);
  prog->setValue(0);
  tmr->start();
  const int result = exec();
  tmr->stop();
  Launching = false;
  return result == QDialog::Accepted;
}

void TQburnDlg::tmrTimer() {
  if (IsBurnerRunning() || Launching) {
    return;
  }
  if (BurnCount == BurnTotal) {
    accept();
    return;
  }
  ++BurnCount;
  prog->setValue(BurnCount);
  const std::int32_t run = BurnCount;
  QMetaObject::invokeMethod(
      this, [this, run] { LaunchBurner(run); }, Qt::QueuedConnection);
}

void TQburnDlg::LaunchBurner(std::int32_t W) {
  // A Cancel while the launch was queued hands over nothing more.
  if (!isVisible()) {
    return;
  }
  Launching = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{Launching};
  if (SkippedParts.count(W - 1) != 0) {
    return;
  }
  const AnsiString exe = FindBurnerExe();
  if (exe.empty()) {
    return;
  }
  std::error_code ec;
  auto burner = vandrel::LaunchBurner(
      exe, ProjectFileName(DataFolder, ProjectPrefix, static_cast<int>(W - 1)), ec);
  if (!burner) {
    // The next tick hands over the next part; the user is not stopped.
    if (OnLaunchFailed) {
      OnLaunchFailed(exe, ec.message());
    }
    return;
  }
  WaitForBurnerReady(*burner, kBurnerStartWait,
                     [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); });
}

} // namespace vandrel
