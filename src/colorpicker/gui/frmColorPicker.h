// The colour picker dialog: a colour wheel, the colour it started with, the
// new colour and its RRGGBB text. The opener's swatch follows every colour;
// "Select Color" accepts, closing the window (frame or Esc) cancels and puts
// the swatch's start colour back.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

#include "colorpicker/ColorValue.h"

class QFrame;
class QLabel;
class QPushButton;

namespace nimbo::colorpicker::gui {

class ColorWheel;

class frmColorPicker : public QDialog {
  Q_OBJECT

 public:
  // Receives each colour the swatch must show.
  using ColorFollower = std::function<void(std::uint32_t colour)>;

  explicit frmColorPicker(QWidget* parent = nullptr);
  ~frmColorPicker() override;

  // Load: starts from the swatch's colour. Call before exec().
  void Open(OleColor start, ColorFollower follow);

  // The accepted colour as plain RGB (valid after "Select Color").
  RgbColor ChosenColor() const { return chosen_; }
  OleColor StartColor() const { return startColor_; }
  bool PickerClosedByUser() const { return pickerClosedByUser_; }
  ColorWheel* Wheel() const { return colorWheel1_; }

  void done(int result) override;

 private:
  void ColorWheel1_ColorChange();
  void SelectColorButton_Click();

  ColorWheel* colorWheel1_ = nullptr;
  QFrame* oldColor_ = nullptr;
  QFrame* newColor_ = nullptr;
  QLabel* colorValueText_ = nullptr;
  QPushButton* selectColorButton_ = nullptr;
  ColorFollower follow_;
  OleColor startColor_ = 0;
  RgbColor chosen_ = 0;
  bool pickerClosedByUser_ = false;
};

// RRGGBB of a colour, six upper-case digits: &H000001 reads 010000.
QString ColorValueText(OleColor colour);

}  // namespace nimbo::colorpicker::gui
