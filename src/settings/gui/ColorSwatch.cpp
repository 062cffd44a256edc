#include "settings/gui/ColorSwatch.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "settings/SettingsReport.h"

namespace nimbo::settings::gui {

namespace {
constexpr int kSwatchPixels = 20;  // 300 twips at 15 twips per pixel
constexpr int kFaceInset = 3;      // leaves the button's bevel visible
}  // namespace

QColor ToQColor(std::uint32_t value) {
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

std::uint32_t FromQColor(const QColor& color) {
  return static_cast<std::uint32_t>(color.red()) |
         (static_cast<std::uint32_t>(color.green()) << 8) |
         (static_cast<std::uint32_t>(color.blue()) << 16);
}

ColorSwatch::ColorSwatch(const QString& setting, QWidget* parent)
    : QPushButton(parent), setting_(setting) {
  setFixedSize(kSwatchPixels, kSwatchPixels);
  SetColor(color_);
}

void ColorSwatch::SetColor(std::uint32_t value) {
  color_ = value & 0xFFFFFF;
  setAccessibleName(setting_ + QStringLiteral(", ") + QString::fromStdString(ColorHex(color_)));
  update();
}

QSize ColorSwatch::sizeHint() const {
  return {kSwatchPixels, kSwatchPixels};
}

void ColorSwatch::paintEvent(QPaintEvent* /*event*/) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  painter.drawControl(QStyle::CE_PushButtonBevel, option);
  const QRect face = rect().adjusted(kFaceInset, kFaceInset, -kFaceInset, -kFaceInset);
  painter.fillRect(face, ToQColor(color_));
  if (!isEnabled()) {
    // A disabled swatch keeps its colour but is visibly out of use.
    painter.fillRect(
        face, QBrush(palette().color(QPalette::Disabled, QPalette::Window), Qt::Dense5Pattern));
  }
  if (hasFocus()) {
    // In place of the bevel: a black frame with a white one inside it, each
    // two pixels wide. One of the two stands out on any colour.
    const QRect outer = rect().adjusted(0, 0, -1, -1);
    for (int inset = 0; inset < 4; ++inset) {
      painter.setPen(inset < 2 ? Qt::black : Qt::white);
      painter.drawRect(outer.adjusted(inset, inset, -inset, -inset));
    }
  }
}

}  // namespace nimbo::settings::gui
