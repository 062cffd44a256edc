// The LED matrix window: reads the LED Matrix String from the device, lets
// the user edit it and stores it back. The text box is a view of the matrix
// image at the start of MemoryImage: every accepted change is encoded at
// once, so what the box shows is always what "Store" sends.
#pragma once

#include <QString>
#include <cstddef>
#include <string>

#include "shell/WorkingWindow.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSlider;

namespace nimbo::ledmatrix::gui {

class EscapeCodeHighlighter;

class frmLEDMatrixData : public shell::WorkingWindow {
  Q_OBJECT

 public:
  frmLEDMatrixData(NIMBOmodule& module, shell::Navigator& navigator, QWidget* parent = nullptr);
  ~frmLEDMatrixData() override;

  // True while a device transfer runs; buttons then do nothing.
  bool Busy() const { return busy_; }

 protected:
  void LoadContents() override;
  bool MayClose() const override { return !busy_; }

 private:
  // --- Building (frmLEDMatrixDataLayout.cpp) ---
  void BuildControls();
  QWidget* BuildLineUnderBox();
  QWidget* BuildLegend();
  QWidget* BuildButtons();

  // --- Handlers ---
  // Takes the box's text when it can be stored, else puts back the text it
  // had, beeps and says why.
  void LEDText_Change();
  void GetMatrixStringButton_Click();
  void StoreMatrixStringButton_Click();

  // The read, under the busy guard. A complete read shows the device's
  // string in the box; a failed one encodes the image again from the box,
  // beeps and says "Read Error!".
  void ReadDeviceString();
  // Puts `matrixText` into the box, which then takes it as a change.
  void ShowInBox(const std::string& matrixText);
  // MatrixString, the slider's maximum, the image and the line under the box
  // follow `matrixText`. Returns why it cannot be stored, if it cannot.
  std::string ApplyText(const std::string& matrixText);
  // Puts back the box's last accepted text, beeps and shows `reason`.
  void Refuse(const std::string& reason);
  // The box's text in the matrix's own form (UTF-8).
  std::string BoxMatrixText() const;
  void SetStatus(const QString& text);
  void ShowLineUnderBox();

  QPlainTextEdit* ledText_ = nullptr;
  EscapeCodeHighlighter* highlighter_ = nullptr;
  QLabel* statusText_ = nullptr;
  QLabel* countText_ = nullptr;
  QPushButton* getButton_ = nullptr;
  QPushButton* storeButton_ = nullptr;
  QPushButton* playButton_ = nullptr;
  QSlider* slider_ = nullptr;

  QString acceptedText_;      // the box's raw text as last accepted
  int changeAt_ = 0;          // where the box's last edit began
  QString status_;            // a transfer's outcome or why an edit was refused
  std::string firstProblem_;  // of the escape codes, for the line under the box
  std::size_t characters_ = 0;
  bool settingText_ = false;  // the window itself is filling the box
  bool busy_ = false;
};

}  // namespace nimbo::ledmatrix::gui
