#include "settings/gui/frmConfig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "settings/FactoryDefaults.h"
#include "settings/SettingsFields.h"
#include "settings/gui/ColorSwatch.h"
#include "shell/TransferGuard.h"

namespace nimbo::settings::gui {

namespace {

// Positions in CheckFields().
constexpr std::size_t kMonitorCheck = 0;
constexpr std::size_t kFlashCheck = 1;

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

bool IsRomCombo(const ComboField& field) {
  return field.control == "ROMCombo";
}

// LEDs 1..3 gate the LEDs after them; LED 4 gates nothing.
bool GatesLaterLeds(const ComboField& field) {
  return field.group == ComboGroup::LedFunction && field.labelIndex < kLedCount;
}

}  // namespace

frmConfig::frmConfig(NIMBOmodule& module, shell::Navigator& navigator, QWidget* parent)
    : WorkingWindow(module, navigator, shell::WindowId::Config, parent),
      chooseColor_(&ChooseWithColorPicker) {
  BuildControls();
}

frmConfig::~frmConfig() = default;

void frmConfig::SetColorChooser(ColorChooser chooser) {
  chooseColor_ = std::move(chooser);
}

void frmConfig::LoadContents() {
  RegisterStatusLabel(statusText_);
  Bytes().fill(0);
  const std::vector<ComboField>& fields = ComboFields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].group == ComboGroup::LedFunction) {
      combos_[i]->setToolTip(Text(LedComboToolTip(fields[i].labelIndex)));
    }
  }
  for (int slot = kColorSlotCount / 2; slot < kColorSlotCount; ++slot) {
    colorButton_[static_cast<std::size_t>(slot)]->setToolTip(Text(RomSwatchToolTip(slot)));
  }

  // A failed read is told like a failed "Load Settings": the controls then
  // show what could be read, with zeros after it, not the device's settings.
  const bool readOk = RunTransfer(&NIMBOmodule::ReadEeprom);
  ShowSettings();
  show();
  FocusSink();
  SetStatus("");
  if (!readOk) {
    Module().Ui().Beep();
    SetStatus("Read Error!");
  }
}

void frmConfig::ShowSettings() {
  const std::vector<ComboField>& fields = ComboFields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].group == ComboGroup::LedFunction) {
      ShowCombo(i);
    }
  }
  const auto checks = CheckFields();
  {
    const QSignalBlocker flash(flashBox_);
    const QSignalBlocker monitor(voltageMonitorBox_);
    flashBox_->setChecked(DecodeCheck(Bytes(), checks[kFlashCheck]));
    voltageMonitorBox_->setChecked(DecodeCheck(Bytes(), checks[kMonitorCheck]));
  }
  ApplyVoltageEnabling();
  // The system options in label order: ROM banks first, then the rest.
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].group == ComboGroup::SystemOptions) {
      ShowCombo(i);
    }
  }
  for (int slot = 0; slot < kColorSlotCount; ++slot) {
    colorButton_[static_cast<std::size_t>(slot)]->SetColor(DecodeColor(Bytes(), slot));
  }
  for (VoltageBox box : {VoltageBox::Offset, VoltageBox::Max, VoltageBox::Min}) {
    const auto index = static_cast<std::size_t>(box);
    voltageBox_[index]->setText(Text(DecodeVoltageBox(Bytes(), box)));
    voltageEdited_[index] = false;
  }
  FocusSink();
}

// Setting a list index has the effects of picking that entry: the handler
// stores it back, so a stored value without an entry is replaced by the one
// shown. A value that shows no entry is left in the image untouched.
void frmConfig::ShowCombo(std::size_t field) {
  const int index = ComboFields()[field].decode(Bytes());
  combos_[field]->setCurrentIndex(index);
  Combo_Click(field);
}

void frmConfig::SetLEDCombos() {
  std::array<int, kLedCount> shown{};
  const std::vector<ComboField>& fields = ComboFields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].group == ComboGroup::LedFunction) {
      shown[static_cast<std::size_t>(fields[i].labelIndex - 1)] = combos_[i]->currentIndex();
    }
  }
  const std::array<bool, kLedCount> enabled = LedCombosEnabled(shown);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].group == ComboGroup::LedFunction) {
      const auto led = static_cast<std::size_t>(fields[i].labelIndex - 1);
      combos_[i]->setEnabled(enabled[led]);
      ledText_[led]->setEnabled(enabled[led]);
    }
  }
}

void frmConfig::EnableRomSwatches() {
  const ComboField* rom = FindComboField("ROMCombo");
  const auto field = static_cast<std::size_t>(rom - ComboFields().data());
  const std::array<bool, kColorSlotCount> enabled =
      ColorSwatchesEnabled(combos_[field]->currentIndex());
  for (std::size_t slot = 0; slot < enabled.size(); ++slot) {
    colorButton_[slot]->setEnabled(enabled[slot]);
  }
}

void frmConfig::ApplyVoltageEnabling() {
  const bool enabled = VoltageFieldsEnabled(Bytes());
  flashBox_->setEnabled(enabled);
  for (std::size_t box = 0; box < voltageBox_.size(); ++box) {
    voltageBox_[box]->setEnabled(enabled);
    voltageLabel_[box]->setEnabled(enabled);
  }
}

void frmConfig::FocusSink() {
  if (!isVisible()) {
    return;
  }
  // The keyboard goes on from the control just used: Tab leads from the sink
  // to the control after it, Shift+Tab back to it.
  QWidget* used = focusWidget();
  if (used != nullptr && used != myFocus_) {
    QWidget::setTabOrder(used, myFocus_);
  }
  myFocus_->setFocus(Qt::OtherFocusReason);
}

void frmConfig::SetStatus(const char* text) {
  statusText_->setText(QString::fromLatin1(text));
}

void frmConfig::Combo_Click(std::size_t field) {
  const ComboField& description = ComboFields()[field];
  description.encode(Bytes(), combos_[field]->currentIndex());
  if (GatesLaterLeds(description)) {
    SetLEDCombos();
  }
  if (IsRomCombo(description)) {
    EnableRomSwatches();
  }
  FocusSink();
}

void frmConfig::VoltageMonitor_box_Click() {
  EncodeCheck(Bytes(), CheckFields()[kMonitorCheck], voltageMonitorBox_->isChecked());
  ShowSettings();
}

void frmConfig::Flash_box_Click() {
  EncodeCheck(Bytes(), CheckFields()[kFlashCheck], flashBox_->isChecked());
  FocusSink();
}

void frmConfig::ColorButton_Click(int index) {
  if (busy_) {
    return;
  }
  Module().ColorSlot = static_cast<std::int16_t>(index);
  ColorSwatch* swatch = colorButton_[static_cast<std::size_t>(index)];
  const std::uint32_t start = swatch->Color();
  const std::optional<std::uint32_t> chosen = chooseColor_(
      start, [swatch](std::uint32_t value) { swatch->SetColor(value); }, this);
  if (chosen) {
    EncodeColor(Bytes(), Module().ColorSlot, *chosen);
    swatch->SetColor(*chosen);
  } else {
    swatch->SetColor(start);
  }
  FocusSink();
}

void frmConfig::LoadSettings_Click() {
  if (busy_) {
    return;
  }
  SetStatus("Reading EEPROM");
  // A failed read must not leave a mixture of new and old bytes behind.
  const SettingsArray before = Bytes();
  if (RunTransfer(&NIMBOmodule::ReadEeprom)) {
    ShowSettings();
    SetStatus("");
  } else {
    Bytes() = before;
    Module().Ui().Beep();
    SetStatus("Read Error!");
  }
  FocusSink();
}

void frmConfig::SaveSettings_Click() {
  if (busy_) {
    return;
  }
  StorePendingVoltageEdits();
  SetStatus("Writing EEPROM");
  if (RunTransfer(&NIMBOmodule::WriteEeprom)) {
    SetStatus("");
  } else {
    Module().Ui().Beep();
    SetStatus("Write Error!");
  }
  FocusSink();
}

void frmConfig::DefaultSettings_Click() {
  if (busy_) {
    return;
  }
  WriteFactoryDefaults(Bytes());
  ShowSettings();
}

bool frmConfig::RunTransfer(void (NIMBOmodule::*operation)()) {
  shell::TransferGuard guard(*this, busy_);
  (Module().*operation)();
  return Module().LinkStatus == 0;
}

}  // namespace nimbo::settings::gui
