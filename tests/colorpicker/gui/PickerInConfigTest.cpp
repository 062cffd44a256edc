// The configuration window's swatches with the real colour picker: accepting
// writes the slot's three Settings Image bytes, closing leaves them.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "colorpicker/gui/ColorWheel.h"
#include "colorpicker/gui/frmColorPicker.h"
#include "settings/gui/ColorSwatch.h"
#include "settings/gui/frmConfig.h"
#include "support/SimulatedRig.h"
#include "support/WindowHelpers.h"

using nimbo::colorpicker::gui::frmColorPicker;
using nimbo::settings::gui::ColorSwatch;
using nimbo::settings::gui::frmConfig;

namespace {

// Runs `act` on the picker once the swatch's click has opened it.
void WhenPickerOpens(std::function<void(frmColorPicker*)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    auto* picker = qobject_cast<frmColorPicker*>(QApplication::activeModalWidget());
    QVERIFY(picker != nullptr);
    act(picker);
  });
}

}  // namespace

class PickerInConfigTest : public QObject {
  Q_OBJECT

  std::unique_ptr<nimbo::test::SimulatedRig> rig_;
  nimbo::test::StubNavigator navigator_;
  std::unique_ptr<frmConfig> window_;

  std::vector<int> Image(int from, int count) const {
    return {rig_->module.SettingsBytes.begin() + from,
            rig_->module.SettingsBytes.begin() + from + count};
  }

 private slots:
  void init() {
    rig_ = std::make_unique<nimbo::test::SimulatedRig>();
    window_ = std::make_unique<frmConfig>(rig_->module, navigator_);
    QVERIFY(window_->Form_Load());
    // Eight ROM banks: every ROM swatch in use.
    auto* banks = window_->findChild<QComboBox*>("ROMCombo");
    banks->setCurrentIndex(banks->count() - 1);
    emit banks->activated(banks->currentIndex());
  }
  void cleanup() {
    window_.reset();
    rig_.reset();
  }

  void selectColorWritesTheSlotsBytes_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("first");
    QTest::newRow("slot 0") << 0 << 40;
    QTest::newRow("slot 7") << 7 << 61;
    QTest::newRow("slot 8") << 8 << 16;
    QTest::newRow("slot 15") << 15 << 37;
  }
  void selectColorWritesTheSlotsBytes() {
    QFETCH(int, slot);
    QFETCH(int, first);
    auto* swatch = window_->findChild<ColorSwatch*>(QString("ColorButton%1").arg(slot));
    QVERIFY(swatch->isEnabled());
    WhenPickerOpens([](frmColorPicker* picker) {
      picker->Wheel()->SetColor(0x204080);
      picker->findChild<QPushButton*>("SelectColorButton")->click();
    });
    swatch->click();
    QCOMPARE(Image(first, 3), (std::vector<int>{0x80, 0x40, 0x20}));
    QCOMPARE(swatch->Color(), 0x204080u);
    QCOMPARE(rig_->module.ColorSlot, slot);
  }

  void closingLeavesTheImageAndTheSwatch() {
    auto* swatch = window_->findChild<ColorSwatch*>("ColorButton3");
    const std::uint32_t start = swatch->Color();
    const auto before = Image(0, 68);
    WhenPickerOpens([swatch](frmColorPicker* picker) {
      picker->Wheel()->SetColor(0x0000FF);
      QCOMPARE(swatch->Color(), 0x0000FFu);  // the swatch follows at once
      picker->close();
    });
    swatch->click();
    QCOMPARE(Image(0, 68), before);
    QCOMPARE(swatch->Color(), start);
  }
};

QTEST_MAIN(PickerInConfigTest)
#include "PickerInConfigTest.moc"
