// A caption-less push button whose face shows one LED colour.
#pragma once

#include <QPushButton>
#include <QString>
#include <cstdint>

namespace nimbo::settings::gui {

// Converts between the program's colour value (R + 256*G + 65536*B) and Qt.
QColor ToQColor(std::uint32_t value);
std::uint32_t FromQColor(const QColor& color);

class ColorSwatch : public QPushButton {
  Q_OBJECT

 public:
  // `setting` names the colour for screen readers ("IRQ High"); they hear it
  // with the colour as RRGGBB.
  explicit ColorSwatch(const QString& setting, QWidget* parent = nullptr);

  // The background colour the face shows, as a colour value.
  std::uint32_t Color() const { return color_; }
  void SetColor(std::uint32_t value);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString setting_;
  std::uint32_t color_ = 0xE0E0E0;  // light grey until the image is shown
};

}  // namespace nimbo::settings::gui
