#include "ui/ModePictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace vandrel {

namespace {

const QColor kInk(0x2B, 0x4C, 0x7E);
const QColor kPaper(0xFF, 0xFF, 0xFF);
const QColor kAccent(0xE8, 0x6A, 0x17);
const QColor kGreen(0x2E, 0x9E, 0x5B);

// Everything is drawn on a 32 x 32 grid and scaled.
QImage Canvas(int size, QPainter& painter) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  painter.begin(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);
  return image;
}

// A page with a folded corner, its top left at (x, y).
QPainterPath Page(qreal x, qreal y, qreal w, qreal h) {
  QPainterPath path;
  const qreal fold = w * 0.3;
  path.moveTo(x, y);
  path.lineTo(x + w - fold, y);
  path.lineTo(x + w, y + fold);
  path.lineTo(x + w, y + h);
  path.lineTo(x, y + h);
  path.closeSubpath();
  return path;
}

void DrawPage(QPainter& p, const QPainterPath& page, const QRectF& lines) {
  QLinearGradient fill(page.boundingRect().topLeft(), page.boundingRect().bottomRight());
  fill.setColorAt(0, kPaper);
  fill.setColorAt(1, QColor(0xDD, 0xE7, 0xF4));
  p.setPen(QPen(kInk, 1.4));
  p.setBrush(fill);
  p.drawPath(page);
  p.setPen(QPen(QColor(0x8F, 0xA8, 0xC8), 1.2, Qt::SolidLine, Qt::RoundCap));
  for (qreal y = lines.top(); y <= lines.bottom(); y += 3.5) {
    p.drawLine(QPointF(lines.left(), y), QPointF(lines.right(), y));
  }
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& color) {
  p.setPen(QPen(color, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(from, to);
  const qreal angle = qAtan2(to.y() - from.y(), to.x() - from.x());
  const qreal head = 4.0;
  p.drawLine(to, to - QPointF(head * qCos(angle - 0.6), head * qSin(angle - 0.6)));
  p.drawLine(to, to - QPointF(head * qCos(angle + 0.6), head * qSin(angle + 0.6)));
}

void DrawSplit(QPainter& p) {
  // A page torn into a top and a bottom half, drawn apart.
  QPainterPath page = Page(5, 2, 17, 28);
  p.save();
  p.setClipRect(QRectF(0, 0, 32, 15));
  p.translate(-1.5, -1);
  DrawPage(p, page, QRectF(8, 9, 10, 20));
  p.restore();
  p.save();
  p.setClipRect(QRectF(0, 17, 32, 15));
  p.translate(1.5, 1);
  DrawPage(p, page, QRectF(8, 9, 10, 20));
  p.restore();
  p.setPen(QPen(kAccent, 1.6, Qt::DashLine, Qt::RoundCap));
  p.drawLine(QPointF(1, 16), QPointF(26, 16));
  Arrow(p, QPointF(25, 16), QPointF(31, 10), kAccent);
  Arrow(p, QPointF(25, 16), QPointF(31, 22), kAccent);
}

void DrawRebuild(QPainter& p) {
  // Two slices meeting on one page.
  DrawPage(p, Page(12, 2, 17, 28), QRectF(15, 9, 10, 20));
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(QColor(0xFF, 0xE0, 0xC2));
  p.drawRoundedRect(QRectF(1, 5, 8, 9), 1, 1);
  p.drawRoundedRect(QRectF(1, 18, 8, 9), 1, 1);
  Arrow(p, QPointF(6, 9.5), QPointF(14, 13), kGreen);
  Arrow(p, QPointF(6, 22.5), QPointF(14, 19), kGreen);
}

void DrawDiskSpan(QPainter& p) {
  // A floppy disk with its shutter and label.
  QPainterPath body;
  body.moveTo(3, 3);
  body.lineTo(26, 3);
  body.lineTo(29, 6);
  body.lineTo(29, 29);
  body.lineTo(3, 29);
  body.closeSubpath();
  QLinearGradient fill(0, 3, 0, 29);
  fill.setColorAt(0, QColor(0x3E, 0x66, 0xA3));
  fill.setColorAt(1, kInk);
  p.setPen(QPen(kInk.darker(130), 1.2));
  p.setBrush(fill);
  p.drawPath(body);
  p.setBrush(QColor(0xC9, 0xD1, 0xDB));
  p.setPen(QPen(QColor(0x6C, 0x77, 0x85), 0.8));
  p.drawRect(QRectF(9, 3.5, 13, 9));
  p.setBrush(kInk);
  p.drawRect(QRectF(17, 5, 3, 6));
  p.setBrush(kPaper);
  p.drawRoundedRect(QRectF(7, 16, 18, 11), 1, 1);
  p.setPen(QPen(kAccent, 1.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(9.5, 19.5), QPointF(22.5, 19.5));
  p.drawLine(QPointF(9.5, 23), QPointF(19, 23));
}

void DrawSettings(QPainter& p) {
  // A gear.
  QPainterPath gear;
  const QPointF centre(16, 16);
  const int teeth = 8;
  for (int i = 0; i < teeth * 2; ++i) {
    const qreal radius = (i % 2 == 0) ? 14 : 10.5;
    const qreal a0 = (i - 0.45) * M_PI / teeth;
    const qreal a1 = (i + 0.45) * M_PI / teeth;
    const QPointF p0 = centre + QPointF(radius * qCos(a0), radius * qSin(a0));
    const QPointF p1 = centre + QPointF(radius * qCos(a1), radius * qSin(a1));
    if (i == 0) {
      gear.moveTo(p0);
    } else {
      gear.lineTo(p0);
    }
    gear.lineTo(p1);
  }
  gear.closeSubpath();
  QPainterPath hole;
  hole.addEllipse(centre, 4.5, 4.5);
  QLinearGradient fill(0, 2, 0, 30);
  fill.setColorAt(0, QColor(0x9A, 0xA8, 0xBA));
  fill.setColorAt(1, QColor(0x55, 0x63, 0x77));
  p.setPen(QPen(QColor(0x3C, 0x47, 0x57), 1.2));
  p.setBrush(fill);
  p.drawPath(gear.subtracted(hole));
}

void DrawAbout(QPainter& p) {
  // A round "i" sign.
  QRadialGradient fill(QPointF(12, 10), 18);
  fill.setColorAt(0, QColor(0x5B, 0x8F, 0xD6));
  fill.setColorAt(1, kInk);
  p.setPen(QPen(kInk.darker(130), 1.2));
  p.setBrush(fill);
  p.drawEllipse(QPointF(16, 16), 14, 14);
  p.setPen(Qt::NoPen);
  p.setBrush(kPaper);
  p.drawEllipse(QPointF(16, 9.5), 2.3, 2.3);
  p.drawRoundedRect(QRectF(13.8, 13.5, 4.4, 12), 1.5, 1.5);
}

} // namespace

QImage DrawModePicture(ModePicture picture, int size) {
  QPainter painter;
  QImage image = Canvas(size, painter);
  switch (picture) {
  case ModePicture::Split:
    DrawSplit(painter);
    break;
  case ModePicture::Rebuild:
    DrawRebuild(painter);
    break;
  case ModePicture::DiskSpan:
    DrawDiskSpan(painter);
    break;
  case ModePicture::Settings:
    DrawSettings(painter);
    break;
  case ModePicture::About:
    DrawAbout(painter);
    break;
  }
  painter.end();
  return image;
}

QImage DrawModesBarBackground(QSize size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&image);
  QLinearGradient fill(0, 0, 0, size.height());
  fill.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
  fill.setColorAt(1, QColor(0xE4, 0xEC, 0xF7));
  p.fillRect(image.rect(), fill);
  // A faint band of slices at the foot of the bar.
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 5; ++i) {
    QColor band = QColor(0xC5, 0xD5, 0xEA);
    band.setAlpha(60 + i * 25);
    p.setBrush(band);
    p.drawRect(QRectF(0, size.height() - 50 + i * 10, size.width(), 7));
  }
  return image;
}

QImage DrawProgramIcon(int size) {
  QPainter p;
  QImage image = Canvas(size, p);
  // Three slices of one page, fanned out.
  const QColor slices[3] = {QColor(0x3E, 0x66, 0xA3), QColor(0x5B, 0x8F, 0xD6), kAccent};
  for (int i = 0; i < 3; ++i) {
    QLinearGradient fill(0, 3 + i * 9, 0, 11 + i * 9);
    fill.setColorAt(0, slices[i].lighter(120));
    fill.setColorAt(1, slices[i]);
    p.setPen(QPen(slices[i].darker(140), 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(3 + i * 3, 3 + i * 9, 23, 8), 2, 2);
    p.setPen(QPen(QColor(255, 255, 255, 190), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7 + i * 3, 7 + i * 9), QPointF(19 + i * 3, 7 + i * 9));
  }
  p.end();
  return image;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(size)));
  }
  return icon;
}

QIcon ModeIcon(ModePicture picture) {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64}) {
    icon.addPixmap(QPixmap::fromImage(DrawModePicture(picture, size)));
  }
  return icon;
}

} // namespace vandrel
