#include "gui/drawn_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace korvex {
namespace {

QPixmap Transparent(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

// A lamp body lit from the upper left.
void PaintLamp(QPainter& painter, const QColor& light, const QColor& dark) {
  QRadialGradient glass(QPointF(3.0, 3.0), 4.5);
  glass.setColorAt(0.0, light);
  glass.setColorAt(1.0, dark);
  painter.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.0));
  painter.setBrush(glass);
  painter.drawEllipse(QRectF(0.5, 0.5, 7.0, 7.0));
}

QPixmap Lamp(bool lit) {
  QPixmap pixmap = Transparent(8);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  PaintLamp(painter, QColor(0xe8, 0xe8, 0xe8), QColor(0x90, 0x90, 0x90));
  if (lit) {
    QRadialGradient centre(QPointF(3.5, 3.5), 2.5);
    centre.setColorAt(0.0, QColor(0xff, 0x70, 0x70));
    centre.setColorAt(1.0, QColor(0xd0, 0x00, 0x00));
    painter.setPen(Qt::NoPen);
    painter.setBrush(centre);
    painter.drawEllipse(QRectF(2.0, 2.0, 4.0, 4.0));
  }
  return pixmap;
}

}  // namespace

QPixmap ProgramIcon() {
  QPixmap pixmap = Transparent(32);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);

  // The host's screen, upper left.
  painter.setPen(QPen(QColor(0x20, 0x20, 0x30), 1.0));
  painter.setBrush(QColor(0xd8, 0xd8, 0xd8));
  painter.drawRoundedRect(QRectF(1.5, 2.5, 17.0, 13.0), 1.5, 1.5);
  QLinearGradient screen(QPointF(3, 4), QPointF(17, 14));
  screen.setColorAt(0.0, QColor(0x70, 0xb0, 0xff));
  screen.setColorAt(1.0, QColor(0x10, 0x40, 0xa0));
  painter.setPen(Qt::NoPen);
  painter.setBrush(screen);
  painter.drawRect(QRectF(3.5, 4.5, 13.0, 9.0));
  painter.setBrush(QColor(0x60, 0x60, 0x68));
  painter.drawRect(QRectF(8.0, 15.5, 4.0, 2.5));
  painter.drawRect(QRectF(5.0, 18.0, 10.0, 1.5));

  // The controller, lower right: a box with its status lamps and terminals.
  QLinearGradient body(QPointF(16, 14), QPointF(30, 30));
  body.setColorAt(0.0, QColor(0x6a, 0x6e, 0x78));
  body.setColorAt(1.0, QColor(0x30, 0x33, 0x3a));
  painter.setPen(QPen(QColor(0x18, 0x18, 0x20), 1.0));
  painter.setBrush(body);
  painter.drawRoundedRect(QRectF(16.5, 13.5, 14.0, 17.0), 1.5, 1.5);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x40, 0xe0, 0x40));
  painter.drawEllipse(QRectF(19.0, 16.0, 3.0, 3.0));
  painter.setBrush(QColor(0xff, 0x40, 0x30));
  painter.drawEllipse(QRectF(24.0, 16.0, 3.0, 3.0));
  painter.setBrush(QColor(0xc8, 0xa0, 0x40));
  for (int i = 0; i < 4; ++i) painter.drawRect(QRectF(18.5 + 3.0 * i, 26.0, 2.0, 3.0));

  // The link between them.
  painter.setPen(QPen(QColor(0xff, 0xc0, 0x00), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPolyline(
      QPolygonF({QPointF(3.0, 28.0), QPointF(9.0, 23.0), QPointF(8.0, 27.0), QPointF(15.0, 22.0)}));
  return pixmap;
}

QPixmap IdleLamp() {
  return Lamp(false);
}

QPixmap BusyLamp() {
  return Lamp(true);
}

}  // namespace korvex
