// The configuration window: every control is a view of the Settings Image in
// the module's SettingsBytes; each change is encoded into the image at once,
// and "Save Settomgs" writes the image unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "settings/SettingsImage.h"
#include "settings/VoltageFields.h"
#include "settings/gui/ColorChooser.h"
#include "shell/WorkingWindow.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbo::settings::gui {

class ColorSwatch;

class frmConfig : public shell::WorkingWindow {
  Q_OBJECT

 public:
  frmConfig(NIMBOmodule& module, shell::Navigator& navigator, QWidget* parent = nullptr);
  ~frmConfig() override;

  // Replaces the dialog that a swatch click opens.
  void SetColorChooser(ColorChooser chooser);
  // True while a device transfer runs; buttons then do nothing.
  bool Busy() const { return busy_; }

 protected:
  void LoadContents() override;
  bool MayClose() const override { return !busy_; }
  // Key filter and focus-leave handling of the three voltage boxes.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static constexpr int kVoltageBoxCount = 3;

  // --- Building (frmConfigLayout.cpp) ---
  void BuildControls();
  QGroupBox* BuildFunctionFrame();
  QGroupBox* BuildVoltageFrame();
  QGroupBox* BuildColorsFrame();
  QGroupBox* BuildSystemFrame();
  QWidget* BuildButtons();
  void SetTabOrder();

  // --- Showing the image (frmConfig.cpp) ---
  void ShowSettings();
  void ShowCombo(std::size_t field);
  void SetLEDCombos();
  void EnableRomSwatches();
  void ApplyVoltageEnabling();
  void FocusSink();
  void SetStatus(const char* text);

  // --- Handlers ---
  void Combo_Click(std::size_t field);
  void VoltageMonitor_box_Click();
  void Flash_box_Click();
  void ColorButton_Click(int index);
  void LoadSettings_Click();
  void SaveSettings_Click();
  void DefaultSettings_Click();

  // --- Voltage boxes (frmConfigVoltage.cpp) ---
  bool VoltageBox_KeyPress(int box, QKeyEvent& event);
  // Any edit by the user (typed, pasted, dropped): pasted and dropped text
  // passes the key filter's character rule too.
  void VoltageBox_Edited(int box);
  void VoltageBox_LostFocus(int box);
  void StorePendingVoltageEdits();

  // Runs a device operation under the busy guard; true when LinkStatus is 0.
  bool RunTransfer(void (NIMBOmodule::*operation)());
  SettingsArray& Bytes() { return Module().SettingsBytes; }

  std::vector<QComboBox*> combos_;  // parallel to ComboFields()
  std::array<QLabel*, kLedCount> ledText_{};
  std::array<QLabel*, 7> systemText_{};
  std::array<ColorSwatch*, kColorSlotCount> colorButton_{};
  std::array<QLabel*, kColorSlotCount> colorsText_{};
  QCheckBox* voltageMonitorBox_ = nullptr;
  QCheckBox* flashBox_ = nullptr;
  std::array<QLineEdit*, kVoltageBoxCount> voltageBox_{};  // VoltageBox order
  std::array<QLabel*, kVoltageBoxCount> voltageLabel_{};
  std::array<bool, kVoltageBoxCount> voltageEdited_{};  // typed, not yet stored
  QLabel* statusText_ = nullptr;
  QPushButton* loadSettings_ = nullptr;
  QPushButton* saveSettings_ = nullptr;
  QPushButton* defaultSettings_ = nullptr;
  QWidget* myFocus_ = nullptr;

  bool busy_ = false;
  ColorChooser chooseColor_;
};

}  // namespace nimbo::settings::gui
