// The configuration window against the simulated device: what it shows, what
// each control stores, and what reaches the device's EEPROM.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <utility>

#include "colorpicker/gui/ColorWheel.h"
#include "colorpicker/gui/frmColorPicker.h"
#include "settings/FactoryDefaults.h"
#include "settings/gui/ColorSwatch.h"
#include "settings/gui/frmConfig.h"
#include "support/FocusMark.h"
#include "support/SimulatedRig.h"
#include "support/WindowHelpers.h"

using nimbo::colorpicker::gui::frmColorPicker;
using nimbo::settings::gui::ColorSwatch;
using nimbo::settings::gui::frmConfig;
using Bytes = std::vector<int>;

namespace {

// A device image with an unknown ROM bank mask (byte 8 = 0x17) and a reset
// time-out of 0, which the window replaces by its entries' values, and with
// values that have no entry (LED 3 function 6, brightness 12), which it keeps.
Bytes SampleImage() {
  Bytes image(68);
  for (int i = 16; i < 64; ++i) {
    image[i] = i;  // colours: slot 0 = (40, 41, 42), ROM 1 = (16, 17, 18)
  }
  const Bytes head{0xA5, 0x0B, 0x01, 0x83, 0x0E, 0x04, 0x03, 12, 0x17, 0, 0, 0, 200, 1, 0xF4, 133};
  std::copy(head.begin(), head.end(), image.begin());
  image[64] = 1, image[65] = 219, image[66] = 2, image[67] = 13;  // 4.75 V, 5.25 V
  return image;
}

}  // namespace

class frmConfigTest : public QObject, nimbo::test::WindowFixture<frmConfig> {
  Q_OBJECT

 private:
  void SetDevice(const Bytes& image) {
    for (std::size_t i = 0; i < image.size(); ++i) {
      rig_->device.Eeprom()[i] = static_cast<std::uint8_t>(image[i]);
    }
  }
  Bytes DeviceBytes() const {
    return {rig_->device.Eeprom().begin(), rig_->device.Eeprom().begin() + 68};
  }
  Bytes ImageBytes(int from = 0, int count = 68) const {
    return {rig_->module.SettingsBytes.begin() + from,
            rig_->module.SettingsBytes.begin() + from + count};
  }
  QString Shown(const char* combo) const { return Find<QComboBox>(combo)->currentText(); }
  // The combo boxes of the left column and of the right one, top to bottom.
  const QStringList ledCombos_{"LED1Combo", "LED2Combo", "LED3Combo", "LED4Combo"};
  const QStringList systemCombos_{
      "ROMCombo",          "ResetTypeCombo",  "OLEDScreenCombo", "OLEDBrightnessCombo",
      "ResetTimeoutCombo", "ROMTimeoutCombo", "MenuTimeoutCombo"};
  // What the combo boxes show, in the order in which the window shows them.
  QStringList ShownEntries() const {
    QStringList shown;
    for (const QString& combo : ledCombos_ + systemCombos_) {
      shown << Find<QComboBox>(combo)->currentText();
    }
    return shown;
  }
  void Pick(const char* combo, const QString& entry) {
    auto* box = Find<QComboBox>(combo);
    box->setCurrentIndex(box->findText(entry));
    emit box->activated(box->currentIndex());
  }
  void Type(const QString& box, const QString& text, Qt::Key leaveBy = Qt::Key_Tab) {
    auto* edit = Find<QLineEdit>(box);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    // A character typed with AltGr arrives with Control and Alt; it is filtered.
    QTest::keyClick(edit, '@', Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(edit, leaveBy);
  }
  QString Status() const { return Find<QLabel>("Status_txt")->text(); }
  int Frames(const QString& command) const { return rig_->SentFrames(command.toStdString()); }

 private slots:
  void init() {
    rig_ = std::make_unique<nimbo::test::SimulatedRig>();
    SetDevice(SampleImage());
  }
  void cleanup() { window_.reset(); }

  void loadShowsTheDeviceAndStoresEntriesShown() {
    Open();
    QCOMPARE(window_->windowTitle(), QString("NIMBO Control v1.00 - Configuration"));
    QCOMPARE(ShownEntries(),
             QStringList({"STATUS", "ROM", "", "EXROM", "1 bank (2764)", "RESET + EXROM", "Flipped",
                          "", "1000ms", "2000ms", "5000ms"}));
    QVERIFY(Find<QCheckBox>("VoltageMonitor_box")->isChecked());
    QVERIFY(!Find<QCheckBox>("Flash_box")->isChecked());
    QCOMPARE(Find<QLineEdit>("VoltageOffsetTextBox")->text(), QString("- 5"));
    QCOMPARE(Find<QLineEdit>("MinVoltageTextBox")->text(), QString("4.75"));
    QCOMPARE(Find<QLineEdit>("MaxVoltageTextBox")->text(), QString("5.25"));
    QCOMPARE(Find<ColorSwatch>("ColorButton0")->Color(), 40u + 41u * 256 + 42u * 65536);
    QCOMPARE(Find<ColorSwatch>("ColorButton8")->Color(), 16u + 17u * 256 + 18u * 65536);
    QCOMPARE(Find<QComboBox>("LED3Combo")->toolTip(),
             QString("Selects what function is assigned to LED 3"));
    QCOMPARE(Find<QPushButton>("ColorButton15")->toolTip(),
             QString("Click to select color for LED when ROM 8 is selected."));
    QVERIFY(window_->focusWidget() == Find<QWidget>("MyFocus"));
    QCOMPARE(Status(), QString());
    QCOMPARE(rig_->ui.beeps, 0);

    // Saving untouched writes the entries shown for the unknown values.
    Bytes expected = SampleImage();
    expected[8] = 0x07;  // bank mask cleared, bits 0..2 kept
    expected[10] = 100;  // "1000ms"
    QCOMPARE(ImageBytes(), expected);
    Find<QPushButton>("SaveSettings")->click();
    QCOMPARE(DeviceBytes(), expected);
    QCOMPARE(Status(), QString());
  }

  void defaultSettingsReachTheDeviceOnlyWithSave() {
    Open();
    Find<QPushButton>("DefaultSettings")->click();
    QCOMPARE(ShownEntries(),
             QStringList({"STATUS", "IRQ", "ROM", "EXROM", "8 banks (27512)", "RESET + EXROM",
                          "Normal", "100%", "1000ms", "1500ms", "3000ms"}));
    QVERIFY(Find<QCheckBox>("Flash_box")->isChecked());
    QCOMPARE(Find<QLineEdit>("VoltageOffsetTextBox")->text(), QString("- 50"));
    QCOMPARE(Find<QLineEdit>("MinVoltageTextBox")->text(), QString("4.65"));
    QCOMPARE(Find<QLineEdit>("MaxVoltageTextBox")->text(), QString("5.35"));
    QCOMPARE(DeviceBytes(), SampleImage());

    Find<QPushButton>("SaveSettings")->click();
    Bytes expected{0xA5};
    const auto& defaults = nimbo::settings::FactoryDefaultBytes();
    expected.insert(expected.end(), defaults.begin(), defaults.end());
    QCOMPARE(DeviceBytes(), expected);

    // "Flash" stores at once and hands the focus on.
    auto* flash = Find<QCheckBox>("Flash_box");
    QTest::mouseClick(flash, Qt::LeftButton, {}, QPoint(4, flash->height() / 2));
    QCOMPARE(ImageBytes()[1], 7 & ~4);
    QVERIFY(window_->focusWidget() == Find<QWidget>("MyFocus"));
    QTest::mouseClick(flash, Qt::LeftButton, {}, QPoint(4, flash->height() / 2));
    QCOMPARE(ImageBytes()[1], 7);

    // Clearing "Enabled" disables the voltage fields; "Flash" keeps its tick.
    Find<QCheckBox>("VoltageMonitor_box")->click();
    QCOMPARE(ImageBytes()[1], 7 & ~2);
    QVERIFY(flash->isChecked() && !flash->isEnabled());
    for (const char* name : {"MinVoltageTextBox", "MaxVoltageTextBox", "VoltageOffsetTextBox",
                             "MinimumText", "MaximumText", "OffsetText"}) {
      QVERIFY2(!Find<QWidget>(name)->isEnabled(), name);
    }
  }

  void ledEnablingChain() {
    Open();
    Pick("LED2Combo", "OFF");
    Pick("LED1Combo", "OFF");
    auto enabled = [this] {
      QString states;
      for (int led = 1; led <= 4; ++led) {
        const bool combo = Find<QComboBox>(QString("LED%1Combo").arg(led))->isEnabled();
        const bool label = Find<QLabel>(QString("LED%1Text").arg(led))->isEnabled();
        states += combo != label ? 'x' : combo ? '1' : '0';
      }
      return states;
    };
    QCOMPARE(enabled(), QString("1000"));
    QCOMPARE(Shown("LED4Combo"), QString("EXROM"));  // disabled combos keep their entries
    Pick("LED1Combo", "STATUS");
    QCOMPARE(enabled(), QString("1100"));
    Pick("LED2Combo", "IRQ");
    QCOMPARE(enabled(), QString("1111"));  // an unlisted LED 3 is not "OFF"
    QCOMPARE(ImageBytes()[5], 0x04);
  }

  void romSwatchesFollowTheBankCount() {
    Open();
    const QStringList entries{"1 bank (2764)", "2 banks (27128)", "4 banks (27256)",
                              "8 banks (27512)"};
    for (int k = 0; k < entries.size(); ++k) {
      Pick("ROMCombo", entries[k]);
      for (int slot = 0; slot < 16; ++slot) {
        const bool expected = slot < 8 || slot - 8 < (1 << k);
        QCOMPARE(Find<QPushButton>(QString("ColorButton%1").arg(slot))->isEnabled(), expected);
        QVERIFY(Find<QLabel>(QString("Colors_txt%1").arg(slot))->isEnabled());
      }
      QCOMPARE(ImageBytes()[8], 0x07 | (((1 << k) - 1) << 3));
    }
  }

  // An out-of-range value is corrected with a beep; only digits, ".", "-"
  // reach a box, and Enter stores and moves the focus to the sink.
  void voltageBoxes() {
    struct Case {
      const char* box;
      const char* typed;
      Qt::Key leaveBy;
      const char* shown;
      int beeps;
      int at;  // of the bytes stored
      Bytes stored;
    };
    for (const Case& c :
         {Case{"VoltageOffsetTextBox", "-200", Qt::Key_Tab, "-127", 1, 15, {255}},
          Case{"MinVoltageTextBox", "4a +/:,.8X5", Qt::Key_Return, "4.85", 0, 64, {1, 229}}}) {
      cleanup();  // a fresh window on a fresh device
      init();
      Open();
      Type(c.box, c.typed, c.leaveBy);
      QCOMPARE(Find<QLineEdit>(c.box)->text(), QString(c.shown));
      QCOMPARE(rig_->ui.beeps, c.beeps);
      QCOMPARE(ImageBytes(c.at, static_cast<int>(c.stored.size())), c.stored);
      QCOMPARE(window_->focusWidget() == Find<QWidget>("MyFocus"), c.leaveBy == Qt::Key_Return);
    }
  }

  // Also when the click that saves does not take the focus from the box.
  void typedValueIsStoredBeforeSave() {
    for (const bool byMouse : {true, false}) {
      cleanup();  // a fresh window on a fresh device
      init();
      Open();
      auto* edit = Find<QLineEdit>("MaxVoltageTextBox");
      edit->setFocus();
      edit->selectAll();
      QTest::keyClicks(edit, "5.4");
      auto* save = Find<QPushButton>("SaveSettings");
      byMouse ? QTest::mouseClick(save, Qt::LeftButton) : save->click();
      QCOMPARE(DeviceBytes()[66], 2);
      QCOMPARE(DeviceBytes()[67], 28);
    }
  }

  // Failed reads (at opening, on "Load Settings") and writes are reported
  // with a beep; a failed load keeps the image and the controls, the next one
  // shows the device; "Default Settings" leaves the status line alone.
  void transferFailuresAreReported() {
    rig_->device.AddFault({nimbo::sim::Fault::NoReply, "RE", 5});
    Open();
    QCOMPARE(Status(), QString("Read Error!"));
    Find<QPushButton>("LoadSettings")->click();  // the fault has passed
    const Bytes before = ImageBytes();
    SetDevice(Bytes(68, 0x11));
    rig_->device.AddFault({nimbo::sim::Fault::NoReply, "RE", 30});
    Find<QPushButton>("LoadSettings")->click();
    QCOMPARE(Status(), QString("Read Error!"));
    QCOMPARE(rig_->ui.beeps, 2);
    QCOMPARE(ImageBytes(), before);
    QCOMPARE(Shown("LED2Combo"), QString("ROM"));
    Find<QPushButton>("LoadSettings")->click();
    QCOMPARE(Status(), QString());
    QCOMPARE(Shown("LED2Combo"), QString("STATUS"));  // 0x11 AND 7 = 1

    rig_->device.AddFault({nimbo::sim::Fault::NoReply, "WE", 10});
    Find<QPushButton>("SaveSettings")->click();
    QCOMPARE(Status(), QString("Write Error!"));
    QCOMPARE(rig_->ui.beeps, 3);
    Find<QPushButton>("DefaultSettings")->click();
    QCOMPARE(Status(), QString("Write Error!"));
  }

  // While a transfer runs, its status text shows and real clicks, keys, an
  // input method's text and a drop (of a drag that entered before) on every
  // kind of control are dropped: nothing starts, nothing is stored.
  void nothingStartsDuringATransfer_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("command");
    QTest::newRow("load") << QString("LoadSettings") << QString("Reading EEPROM") << QString("RE");
    QTest::newRow("save") << QString("SaveSettings") << QString("Writing EEPROM") << QString("WE");
  }
  void nothingStartsDuringATransfer() {
    QFETCH(QString, button);
    QFETCH(QString, status);
    QFETCH(QString, command);
    Open();
    rig_->device.ClearTrace();
    int chooserCalls = 0;
    window_->SetColorChooser(
        [&](std::uint32_t, const nimbo::settings::gui::ColorPreview&, QWidget*) {
          ++chooserCalls;
          return std::optional<std::uint32_t>(0);
        });
    const Bytes image = ImageBytes();
    const QStringList entries = ShownEntries();
    QString seenStatus;
    bool closeRefused = false;
    bool acted = false;  // at the first yield only
    rig_->ui.onProcessEvents = [&] {
      if (std::exchange(acted, true)) {
        return;
      }
      QVERIFY(window_->Busy());
      seenStatus = Status();
      for (const char* name : {"SaveSettings", "LoadSettings", "DefaultSettings", "ColorButton0",
                               "Flash_box", "VoltageMonitor_box", "LED1Combo"}) {
        QTest::mouseClick(Find<QWidget>(name), Qt::LeftButton);
      }
      QTest::keyClick(Find<QWidget>("ROMCombo"), Qt::Key_Up);
      QTest::keyClick(Find<QWidget>("LED1Combo"), Qt::Key_Down);
      QTest::keyClick(Find<QWidget>("Flash_box"), Qt::Key_Space);
      QTest::keyClicks(Find<QWidget>("MinVoltageTextBox"), "9");
      QInputMethodEvent commit;
      commit.setCommitString("7");
      QCoreApplication::sendEvent(Find<QWidget>("VoltageOffsetTextBox"), &commit);
      nimbo::test::DropText(Find<QWidget>("MaxVoltageTextBox"), "5.3", 2);
      closeRefused = !window_->CloseAsUser();
    };
    nimbo::test::DropText(Find<QWidget>("MaxVoltageTextBox"), "5.3", 1);
    Find<QPushButton>(button)->click();
    QCOMPARE(seenStatus, status);
    QCOMPARE(Frames("RE") + Frames("WE"), 68);
    QCOMPARE(Frames(command), 68);
    QCOMPARE(chooserCalls, 0);
    QCOMPARE(ImageBytes(), image);
    QCOMPARE(ShownEntries(), entries);
    for (const auto& [box, text] : {std::pair{"MinVoltageTextBox", "4.75"},
                                    {"MaxVoltageTextBox", "5.25"},
                                    {"VoltageOffsetTextBox", "- 5"}}) {
      QCOMPARE(Find<QLineEdit>(box)->text(), QString(text));
    }
    QVERIFY(QApplication::activePopupWidget() == nullptr);  // no list opened
    QVERIFY(closeRefused);
    QCOMPARE(navigator_.unloads, 0);
    QVERIFY(!window_->Busy());
    QCOMPARE(Status(), QString());
  }

  // Pasted or dropped text passes the key filter's characters only.
  void pastedTextIsFiltered_data() {
    QTest::addColumn<bool>("drop");
    QTest::newRow("paste") << false;
    QTest::newRow("drop") << true;
  }
  void pastedTextIsFiltered() {
    QFETCH(bool, drop);
    Open();
    auto* edit = Find<QLineEdit>("MaxVoltageTextBox");
    edit->setFocus();
    edit->selectAll();
    const QString text = " 5.1a b\tc\n2!";
    if (drop) {
      edit->clear();
      nimbo::test::DropText(edit, text);
    } else {
      QGuiApplication::clipboard()->setText(text);
      QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    }
    QCOMPARE(edit->text(), QString("5.12"));
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(edit->text(), QString("5.12"));
    QCOMPARE(ImageBytes(66, 2), (Bytes{2, 0}));  // 512
  }

  // Tab goes frame by frame in reading order. After a change the focus sink
  // holds the focus, drawing nothing, and Tab goes on from the control used.
  void focusAndTabOrder() {
    Open();
    QStringList expected = ledCombos_ + QStringList{"VoltageMonitor_box",   "Flash_box",
                                                    "MinVoltageTextBox",    "MaxVoltageTextBox",
                                                    "VoltageOffsetTextBox", "LoadSettings",
                                                    "SaveSettings",         "DefaultSettings"};
    for (int slot = 0; slot < 16; ++slot) {
      expected << QString("ColorButton%1").arg(slot);
    }
    expected += systemCombos_;
    const auto chain = [this] {
      QStringList names;
      for (QWidget* w = window_->nextInFocusChain(); w != window_.get();
           w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) {
          names << w->objectName();
        }
      }
      return names;
    };
    QCOMPARE(chain(), expected);
    QWidget* sink = Find<QWidget>("MyFocus");
    QVERIFY(!QAccessible::queryAccessibleInterface(sink)->text(QAccessible::Name).isEmpty());
    const auto tabFromSink = [sink] {
      QTest::keyClick(sink, Qt::Key_Tab);
      return QApplication::focusWidget()->objectName();
    };
    QCOMPARE(tabFromSink(), QString("LED1Combo"));  // the window starts on the sink
    Find<QWidget>("ROMCombo")->setFocus();
    QTest::keyClick(Find<QWidget>("ROMCombo"), Qt::Key_Down);
    QVERIFY(window_->focusWidget() == sink);
    QCOMPARE(tabFromSink(), QString("ResetTypeCombo"));
    QCOMPARE(chain(), expected);  // the sink moved, nothing else

    const QImage shot = window_->grab().toImage();
    const QRect area(sink->mapTo(window_.get(), QPoint(0, 0)), sink->size());
    const QRgb background = shot.pixel(area.topLeft() - QPoint(2, 2));
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) {
        QCOMPARE(shot.pixel(x, y), background);
      }
    }
  }

  // With the real colour picker, "Select Color" writes the slot's three bytes
  // of the image and its swatch; closing the picker leaves both, though the
  // swatch follows the picker while it is open.
  void pickerWritesTheSlotsBytes_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("first");
    QTest::addColumn<bool>("accept");
    QTest::newRow("slot 0") << 0 << 40 << true;
    QTest::newRow("slot 7") << 7 << 61 << true;
    QTest::newRow("slot 8") << 8 << 16 << true;
    QTest::newRow("slot 15") << 15 << 37 << true;
    QTest::newRow("slot 3 closed") << 3 << 49 << false;
  }
  void pickerWritesTheSlotsBytes() {
    QFETCH(int, slot);
    QFETCH(int, first);
    QFETCH(bool, accept);
    Open();
    Pick("ROMCombo", "8 banks (27512)");  // every ROM swatch in use
    auto* swatch = Find<ColorSwatch>(QString("ColorButton%1").arg(slot));
    const std::uint32_t start = swatch->Color();
    Bytes expected = ImageBytes();
    QTimer::singleShot(0, [&] {  // once the swatch's click has opened it
      auto* picker = qobject_cast<frmColorPicker*>(QApplication::activeModalWidget());
      QVERIFY(picker != nullptr);
      picker->Wheel()->SetColor(0x204080);
      QCOMPARE(swatch->Color(), 0x204080u);
      accept ? picker->findChild<QPushButton*>("SelectColorButton")->click()
             : void(picker->close());
    });
    swatch->click();
    if (accept) {
      std::copy_n(Bytes{0x80, 0x40, 0x20}.begin(), 3, expected.begin() + first);
    }
    QCOMPARE(ImageBytes(), expected);
    QCOMPARE(swatch->Color(), accept ? 0x204080u : start);
    QCOMPARE(rig_->module.ColorSlot, slot);
  }

  // A focused swatch is marked plainly on any colour, around its face.
  void swatchFocusShowsOnAnyColour() {
    Open();
    auto* swatch = Find<ColorSwatch>("ColorButton0");
    const QColor highlight = swatch->palette().color(QPalette::Highlight);
    const QRect inside = swatch->rect().adjusted(4, 4, -4, -4);
    for (std::uint32_t colour :
         {0x000000u, 0xFFFFFFu, 0x808080u, nimbo::settings::gui::FromQColor(highlight)}) {
      swatch->SetColor(colour);
      // Two bands, each wider than a pixel: 1.25 times the outline.
      QVERIFY2(nimbo::test::FocusShowsPlainly(swatch, 2.5 * (swatch->width() + swatch->height()),
                                              [&](int x, int y) { return !inside.contains(x, y); }),
               qPrintable(QString::number(colour, 16)));
    }
  }
};

QTEST_MAIN(frmConfigTest)
#include "frmConfigTest.moc"
