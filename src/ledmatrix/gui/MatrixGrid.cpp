#include "ledmatrix/gui/MatrixGrid.h"

#include <qdrawutil.h>
#include <QAccessibleWidget>
#include <QPainter>

namespace nimbo::ledmatrix::gui {

namespace {

// Screen readers meet the grid as one picture with a description, not as
// 256 nameless cells.
QAccessibleInterface* PictureOfGrid(const QString& className, QObject* object) {
  if (className != QLatin1String(MatrixGrid::staticMetaObject.className())) {
    return nullptr;
  }
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
}

// Design sizes in pixels (twips / 15): 400-twip cells every 480 twips, the
// first one 360 twips in from the frame's corner.
constexpr QSize kFrameSize{1067, 295};
constexpr int kMargin = 24;
constexpr int kCell = 27;
constexpr int kPitch = 32;

}  // namespace

MatrixGrid::MatrixGrid(QWidget* parent) : QWidget(parent) {
  static const bool pictureForReaders = (QAccessible::installFactory(&PictureOfGrid), true);
  (void)pictureForReaders;
  setObjectName(QStringLiteral("fraLEDMatrix"));
  setFixedSize(kFrameSize);
  setAccessibleName(QStringLiteral("LED matrix"));
  setAccessibleDescription(
      QStringLiteral("Picture of the device's LED matrix: 32 columns by 8 rows of dots"));
}

QSize MatrixGrid::sizeHint() const {
  return kFrameSize;
}

QRect MatrixGrid::CellRect(int column, int row) {
  return {kMargin + kPitch * column, kMargin + kPitch * row, kCell, kCell};
}

void MatrixGrid::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QPalette& colours = palette();
  qDrawShadePanel(&painter, rect(), colours, false, 1);  // the frame, no caption
  const QBrush cellFill = colours.window();
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      qDrawShadePanel(&painter, CellRect(column, row), colours, true, 2, &cellFill);
    }
  }
}

}  // namespace nimbo::ledmatrix::gui
