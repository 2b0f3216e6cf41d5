#include "shell/qt/U_about.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include "localization/C_TextStorage.h"
#include "localization/qt/QtComponents.h"
#include "shell/U_SystemProbes.h"
#include "shell/U_VendorPages.h"
#include "ui/ModePictures.h"

namespace vandrel {

namespace {

QString Q(const AnsiString& s) {
  return QString::fromStdString(s);
}

AnsiString Title() {
  return QCoreApplication::applicationName().toStdString();
}

QPushButton* LinkButton(QWidget* parent, const char* name, const char* caption, int y) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(8, y, 97, 28);
  button->setAutoDefault(false);
  return button;
}

} // namespace

QImage DrawAboutBanner() {
  const QSize size(388, 96);
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // The program's blue, fading to the paper white of its panels.
  QLinearGradient sky(0, 0, size.width(), size.height());
  sky.setColorAt(0, QColor(0x2B, 0x4C, 0x7E));
  sky.setColorAt(0.65, QColor(0x3E, 0x66, 0xA3));
  sky.setColorAt(1, QColor(0x5B, 0x8F, 0xD6));
  p.fillRect(image.rect(), sky);
  // Slices of a page drifting apart towards the right, as a split does.
  for (int i = 0; i < 7; ++i) {
    QColor slice(255, 255, 255, 30 + i * 12);
    p.setPen(Qt::NoPen);
    p.setBrush(slice);
    const qreal x = 196 + i * 26.0;
    const qreal y = 14 + (i % 2) * 8.0;
    p.drawRoundedRect(QRectF(x, y, 18, 68 - (i % 2) * 16.0), 3, 3);
  }
  QPainterPath cut;
  cut.moveTo(180, 92);
  cut.cubicTo(260, 60, 300, 100, 388, 70);
  p.setPen(QPen(QColor(0xE8, 0x6A, 0x17), 2.5, Qt::DashLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(cut);
  // The program icon and its name.
  p.drawImage(QPoint(18, 16), DrawProgramIcon(64));
  QFont name = QFont();
  name.setPixelSize(36);
  name.setBold(true);
  p.setFont(name);
  p.setPen(QColor(0, 0, 0, 70));
  p.drawText(QRect(97, 19, 200, 48), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vandrel"));
  p.setPen(Qt::white);
  p.drawText(QRect(95, 17, 200, 48), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vandrel"));
  QPen line(QColor(255, 255, 255, 160), 1.5);
  p.setPen(line);
  p.drawLine(QPointF(97, 70), QPointF(180, 70));
  p.end();
  return image;
}

TAboutDlg::TAboutDlg(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("AboutDlg"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(389, 285);
  ProgramFile = QCoreApplication::applicationFilePath().toStdU16String();

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  const QPixmap banner = QPixmap::fromImage(DrawAboutBanner());
  Image1->setPixmap(banner);
  Image1->setGeometry(0, 0, banner.width(), banner.height());

  all_grp = new QGroupBox(this);
  all_grp->setObjectName(QStringLiteral("all_grp"));
  all_grp->setGeometry(1, 97, 384, 184);

  Application_grp = new QGroupBox(QStringLiteral("Application"), all_grp);
  Application_grp->setObjectName(QStringLiteral("Application_grp"));
  Application_grp->setGeometry(5, 12, 249, 53);
  appname_lbl = new QLabel(QStringLiteral("Application name :"), Application_grp);
  appname_lbl->setObjectName(QStringLiteral("appname_lbl"));
  appname_lbl->setGeometry(8, 16, 235, 16);
  version_lbl = new QLabel(QStringLiteral("Version :"), Application_grp);
  version_lbl->setObjectName(QStringLiteral("version_lbl"));
  version_lbl->setGeometry(8, 32, 235, 16);

  tolvane_grp = new QGroupBox(QStringLiteral("Tolvane"), all_grp);
  tolvane_grp->setObjectName(QStringLiteral("tolvane_grp"));
  tolvane_grp->setGeometry(260, 12, 113, 117);
  email_btn = LinkButton(tolvane_grp, "email_btn", "Email", 16);
  web_btn = LinkButton(tolvane_grp, "web_btn", "Web Site", 48);
  forum_btn = LinkButton(tolvane_grp, "forum_btn", "Forums", 80);

  ok_btn = new QPushButton(QStringLiteral("Ok"), all_grp);
  ok_btn->setObjectName(QStringLiteral("ok_btn"));
  ok_btn->setGeometry(274, 139, 81, 33);
  ok_btn->setDefault(true);

  connect(email_btn, &QPushButton::clicked, this, [this] { email_btnClick(); });
  connect(web_btn, &QPushButton::clicked, this, [this] { web_btnClick(); });
  connect(forum_btn, &QPushButton::clicked, this, [this] { forum_btnClick(); });
  connect(ok_btn, &QPushButton::clicked, this, &QDialog::accept);

  component_ = AdoptWindow(this);
  TS_about = new TTextStorage(component_.get(), "TS_about");
  TS_about->SetItems(TStrings(std::begin(AboutTexts), std::end(AboutTexts)));
  TS_about->Loaded();
}

TAboutDlg::~TAboutDlg() = default;

void TAboutDlg::FillAbout() {
  const AnsiString title = Title();
  setWindowTitle(Q(TS_about->Translate("About") + " " + title));
  appname_lbl->setText(Q(TS_about->Translate("Application Name :") + " " + title));
  version_lbl->setText(
      Q(TS_about->Translate("Version :") + " " + WideToUtf8(GetFileVersionText(ProgramFile))));
}

void TAboutDlg::ShowAbout() {
  FillAbout();
  exec();
}

void TAboutDlg::email_btnClick() {
  OpenAddress(VendorMailUrl());
}

void TAboutDlg::web_btnClick() {
  OpenAddress(VendorPageUrl(""));
}

void TAboutDlg::forum_btnClick() {
  OpenAddress(VendorPageUrl(kForumPath));
}

} // namespace vandrel
