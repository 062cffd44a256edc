// The controls of the configuration window and their arrangement: two columns
// of group frames, the status line and the three buttons under the left one.
// Sizes follow the design at 15 twips per pixel; layouts let them grow when
// the desktop's font needs more room.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/SettingsFields.h"
#include "settings/gui/ColorSwatch.h"
#include "settings/gui/LabelledCombo.h"
#include "settings/gui/frmConfig.h"

namespace nimbo::settings::gui {

namespace {

// Design sizes in pixels (twips / 15).
constexpr QSize kClientSize{512, 578};
constexpr QSize kFunctionFrame{161, 153};
constexpr QSize kVoltageFrame{161, 185};
constexpr QSize kColorsFrame{257, 233};
constexpr QSize kSystemFrame{257, 273};
constexpr QSize kButton{161, 33};
constexpr int kFocusSinkPixels = 9;
constexpr int kColumnGap = 31;  // between the two columns and between frames
constexpr int kButtonGap = 14;  // between the status line and the buttons
constexpr int kNumberBoxWidth = 40;

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* RightAlignedLabel(std::string_view caption, std::string_view name, QWidget* parent) {
  auto* label = new QLabel(Text(caption), parent);
  label->setObjectName(Text(name));
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

QComboBox* ComboFor(const ComboField& field, QWidget* parent) {
  auto* combo = new LabelledCombo(parent);
  combo->setObjectName(Text(field.control));
  for (std::string_view entry : field.entries) {
    combo->addItem(Text(entry));
  }
  return combo;
}

QGroupBox* Frame(const char* name, const char* caption, QSize size, QWidget* parent) {
  auto* frame = new QGroupBox(QString::fromLatin1(caption), parent);
  frame->setObjectName(QString::fromLatin1(name));
  frame->setMinimumSize(size);
  return frame;
}

}  // namespace

void frmConfig::BuildControls() {
  setWindowTitle(QStringLiteral("Configuration"));  // replaced by the title at load
  auto* central = new QWidget(this);
  setCentralWidget(central);

  auto* left = new QVBoxLayout;
  left->setSpacing(0);
  left->addWidget(BuildFunctionFrame());
  left->addSpacing(kColumnGap);
  left->addWidget(BuildVoltageFrame());
  left->addSpacing(kButtonGap);
  left->addWidget(BuildButtons());
  left->addStretch(1);

  // The focus sink takes the keyboard focus after each change; it draws
  // nothing, so Tab never stops there: only the window puts the focus on it.
  myFocus_ = new QWidget(central);
  myFocus_->setObjectName(QStringLiteral("MyFocus"));
  myFocus_->setFixedSize(kFocusSinkPixels, kFocusSinkPixels);
  myFocus_->setFocusPolicy(Qt::ClickFocus);
  // A screen reader announces where the focus rests after each change.
  myFocus_->setAccessibleName(QStringLiteral("Ready"));
  myFocus_->setAccessibleDescription(
      QStringLiteral("The focus rests here after each change; Tab goes on to the next control"));

  auto* right = new QVBoxLayout;
  right->setSpacing(kColumnGap);
  right->addWidget(BuildColorsFrame());
  right->addWidget(BuildSystemFrame());
  right->addStretch(1);
  right->addWidget(myFocus_, 0, Qt::AlignRight | Qt::AlignBottom);

  auto* columns = new QHBoxLayout(central);
  columns->setContentsMargins(32, 16, 16, 16);
  columns->setSpacing(kColumnGap);
  columns->addLayout(left);
  columns->addLayout(right);
  columns->addStretch(1);

  SetTabOrder();
  resize(kClientSize.expandedTo(sizeHint()));
}

// Frame by frame in reading order, the left column before the right one, and
// within a frame top to bottom; the colour slots column by column (0..7 are
// the LED states, 8..15 the ROMs). The focus sink starts at the end.
void frmConfig::SetTabOrder() {
  std::vector<QWidget*> order;
  const std::vector<ComboField>& fields = ComboFields();
  const auto combosOf = [&](ComboGroup group) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (fields[i].group == group) {
        order.push_back(combos_[i]);  // the table lists each group in label order
      }
    }
  };
  combosOf(ComboGroup::LedFunction);
  order.insert(order.end(), {voltageMonitorBox_, flashBox_});
  order.insert(order.end(), voltageBox_.begin(), voltageBox_.end());
  order.insert(order.end(), {loadSettings_, saveSettings_, defaultSettings_});
  order.insert(order.end(), colorButton_.begin(), colorButton_.end());
  combosOf(ComboGroup::SystemOptions);
  order.push_back(myFocus_);
  for (std::size_t i = 1; i < order.size(); ++i) {
    QWidget::setTabOrder(order[i - 1], order[i]);
  }
}

QGroupBox* frmConfig::BuildFunctionFrame() {
  QGroupBox* frame = Frame("fraFunction", "LED Function", kFunctionFrame, centralWidget());
  auto* grid = new QGridLayout(frame);
  const std::vector<ComboField>& fields = ComboFields();
  combos_.assign(fields.size(), nullptr);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const ComboField& field = fields[i];
    if (field.group != ComboGroup::LedFunction) {
      continue;
    }
    const int led = field.labelIndex;
    const std::string name = "LED" + std::to_string(led) + "Text";
    QLabel* label = RightAlignedLabel(field.label, name, frame);
    combos_[i] = ComboFor(field, frame);
    label->setBuddy(combos_[i]);
    ledText_[static_cast<std::size_t>(led - 1)] = label;
    grid->addWidget(label, led - 1, 0);
    grid->addWidget(combos_[i], led - 1, 1);
    connect(combos_[i], &QComboBox::activated, this, [this, i] { Combo_Click(i); });
  }
  grid->setColumnStretch(1, 1);
  return frame;
}

QGroupBox* frmConfig::BuildSystemFrame() {
  QGroupBox* frame = Frame("fraSystem", "System Options", kSystemFrame, centralWidget());
  auto* grid = new QGridLayout(frame);
  const std::vector<ComboField>& fields = ComboFields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const ComboField& field = fields[i];
    if (field.group != ComboGroup::SystemOptions) {
      continue;
    }
    const int row = field.labelIndex;
    QLabel* label = RightAlignedLabel(field.label, "System_txt", frame);
    label->setProperty("index", row);
    combos_[i] = ComboFor(field, frame);
    label->setBuddy(combos_[i]);
    combos_[i]->setToolTip(Text(field.toolTip));
    systemText_[static_cast<std::size_t>(row)] = label;
    grid->addWidget(label, row, 0);
    grid->addWidget(combos_[i], row, 1);
    connect(combos_[i], &QComboBox::activated, this, [this, i] { Combo_Click(i); });
  }
  grid->setColumnStretch(1, 1);
  return frame;
}

QGroupBox* frmConfig::BuildColorsFrame() {
  QGroupBox* frame = Frame("fraColors", "LED Colors", kColorsFrame, centralWidget());
  auto* grid = new QGridLayout(frame);
  const auto slotFields = ColorSlotFields();
  constexpr int kRowsPerColumn = kColorSlotCount / 2;
  for (int slot = 0; slot < kColorSlotCount; ++slot) {
    const auto index = static_cast<std::size_t>(slot);
    auto* swatch = new ColorSwatch(Text(slotFields[index].label), frame);
    swatch->setObjectName(QStringLiteral("ColorButton%1").arg(slot));
    swatch->setProperty("index", slot);
    if (slot < kRowsPerColumn) {
      swatch->setToolTip(Text(slotFields[index].toolTip));  // ROM swatches get theirs at load
    }
    auto* label = new QLabel(Text(slotFields[index].label), frame);
    label->setObjectName(QStringLiteral("Colors_txt%1").arg(slot));
    label->setProperty("index", slot);
    colorButton_[index] = swatch;
    colorsText_[index] = label;
    const int column = (slot / kRowsPerColumn) * 2;
    grid->addWidget(swatch, slot % kRowsPerColumn, column);
    grid->addWidget(label, slot % kRowsPerColumn, column + 1);
    connect(swatch, &QPushButton::clicked, this, [this, slot] { ColorButton_Click(slot); });
  }
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  return frame;
}

QGroupBox* frmConfig::BuildVoltageFrame() {
  QGroupBox* frame = Frame("fraVoltage", "Voltage Monitoring", kVoltageFrame, centralWidget());
  auto* grid = new QGridLayout(frame);
  const auto checks = CheckFields();
  std::array<QCheckBox*, 2> boxes{};
  for (std::size_t i = 0; i < checks.size() && i < boxes.size(); ++i) {
    boxes[i] = new QCheckBox(Text(checks[i].caption), frame);
    boxes[i]->setObjectName(Text(checks[i].control));
    boxes[i]->setToolTip(Text(checks[i].toolTip));
    grid->addWidget(boxes[i], static_cast<int>(i), 0, 1, 2);
  }
  voltageMonitorBox_ = boxes[0];
  flashBox_ = boxes[1];
  // Any change by the user counts, a screen reader's "toggle" too; showing the
  // image sets the boxes with their signals blocked.
  connect(voltageMonitorBox_, &QCheckBox::toggled, this, [this] { VoltageMonitor_box_Click(); });
  connect(flashBox_, &QCheckBox::toggled, this, [this] { Flash_box_Click(); });

  static constexpr std::array<const char*, kVoltageBoxCount> kDesignText{"4.75", "5.25", "100"};
  static constexpr std::array<const char*, kVoltageBoxCount> kLabelName{
      "MinimumText", "MaximumText", "OffsetText"};
  for (int box = 0; box < kVoltageBoxCount; ++box) {
    const auto index = static_cast<std::size_t>(box);
    const VoltageBoxRule& rule = RuleOf(static_cast<VoltageBox>(box));
    auto* edit = new QLineEdit(QString::fromLatin1(kDesignText[index]), frame);
    edit->setObjectName(Text(rule.control));
    edit->setToolTip(Text(rule.toolTip));
    edit->setFixedWidth(kNumberBoxWidth);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, [this, box] { VoltageBox_Edited(box); });
    auto* label = new QLabel(Text(rule.label), frame);
    label->setObjectName(QString::fromLatin1(kLabelName[index]));
    label->setBuddy(edit);  // names the box for screen readers
    voltageBox_[index] = edit;
    voltageLabel_[index] = label;
    grid->addWidget(edit, 2 + box, 0);
    grid->addWidget(label, 2 + box, 1);
  }
  grid->setColumnStretch(1, 1);
  return frame;
}

QWidget* frmConfig::BuildButtons() {
  auto* panel = new QWidget(centralWidget());
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(kButtonGap);

  statusText_ = new QLabel(panel);
  statusText_->setObjectName(QStringLiteral("Status_txt"));
  statusText_->setAlignment(Qt::AlignCenter);
  statusText_->setMinimumWidth(kButton.width());
  column->addWidget(statusText_);

  struct ButtonText {
    const char* name;
    const char* caption;
    const char* toolTip;
  };
  static constexpr std::array<ButtonText, 3> kButtons{{
      {"LoadSettings", "Load Settings", "Click to load settings from EEPROM."},
      {"SaveSettings", "Save Settomgs", "Click to write settings to EEPROM."},
      {"DefaultSettings", "Default Settings", "Click to reset all settings to defaults."},
  }};
  std::array<QPushButton*, 3> buttons{};
  for (std::size_t i = 0; i < kButtons.size(); ++i) {
    buttons[i] = new QPushButton(QString::fromLatin1(kButtons[i].caption), panel);
    buttons[i]->setObjectName(QString::fromLatin1(kButtons[i].name));
    buttons[i]->setToolTip(QString::fromLatin1(kButtons[i].toolTip));
    buttons[i]->setMinimumSize(kButton);
    column->addWidget(buttons[i]);
  }
  loadSettings_ = buttons[0];
  saveSettings_ = buttons[1];
  defaultSettings_ = buttons[2];
  connect(loadSettings_, &QPushButton::clicked, this, [this] { LoadSettings_Click(); });
  connect(saveSettings_, &QPushButton::clicked, this, [this] { SaveSettings_Click(); });
  connect(defaultSettings_, &QPushButton::clicked, this, [this] { DefaultSettings_Click(); });
  return panel;
}

}  // namespace nimbo::settings::gui
