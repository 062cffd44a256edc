// The colour picker dialog on its own: what it shows when it opens, what the
// swatch it was opened from follows, accepting and cancelling.
#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>
#include <memory>
#include <vector>

#include "colorpicker/gui/ColorWheel.h"
#include "colorpicker/gui/frmColorPicker.h"

using nimbo::colorpicker::gui::ColorWheel;
using nimbo::colorpicker::gui::frmColorPicker;

class frmColorPickerTest : public QObject {
  Q_OBJECT

  std::unique_ptr<frmColorPicker> dialog_;
  std::vector<std::uint32_t> swatch_;  // every colour the swatch was given

  QString Label() const { return dialog_->findChild<QLabel*>("ColorValue_txt")->text(); }
  QRgb Background(const char* name) const {
    return dialog_->findChild<QFrame*>(name)->palette().color(QPalette::Window).rgb();
  }
  void OpenWith(std::uint32_t start) {
    dialog_->Open(start, [this](std::uint32_t c) { swatch_.push_back(c); });
  }

 private slots:
  void init() {
    dialog_ = std::make_unique<frmColorPicker>();
    swatch_.clear();
  }
  void cleanup() { dialog_.reset(); }

  void startingAtTheControlsOwnColourShowsIt() {
    QSignalSpy changes(dialog_->Wheel(), &ColorWheel::ColorChange);
    OpenWith(0x808080);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(Label(), QString("808080"));
    QCOMPARE(Background("NewColor"), qRgb(0x80, 0x80, 0x80));
    QCOMPARE(swatch_.back(), 0x808080u);
  }

  void openingShowsTheStartColour() {
    OpenWith(0x00FF00);
    QCOMPARE(Background("OldColor"), qRgb(0, 0xFF, 0));
    QCOMPARE(Background("NewColor"), qRgb(0, 0xFF, 0));
    QCOMPARE(Label(), QString("00FF00"));
    QCOMPARE(dialog_->windowTitle(), QString("Color Picker"));
    QCOMPARE(dialog_->size(), QSize(504, 325));  // 7560 x 4875 twips
  }

  void labelReadsRrggbbWithSixDigits_data() {
    QTest::addColumn<uint>("colour");
    QTest::addColumn<QString>("text");
    QTest::newRow("low red") << 0x000001u << "010000";
    QTest::newRow("pure red") << 0x0000FFu << "FF0000";
    QTest::newRow("black") << 0x000000u << "000000";
    QTest::newRow("mixed") << 0x204080u << "804020";
  }
  void labelReadsRrggbbWithSixDigits() {
    QFETCH(uint, colour);
    QFETCH(QString, text);
    OpenWith(0x00FF00);
    dialog_->Wheel()->SetColor(colour);
    QCOMPARE(Label(), text);
  }

  void closingPutsTheStartColourBack_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("close box") << false;
    QTest::newRow("escape") << true;
  }
  void closingPutsTheStartColourBack() {
    QFETCH(bool, escape);
    OpenWith(0x00FF00);
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    dialog_->Wheel()->SetColor(0x0000FF);
    dialog_->Wheel()->SetColor(0xFF0000);
    QCOMPARE(swatch_.back(), 0xFF0000u);
    if (escape) {
      QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    } else {
      dialog_->close();
    }
    QCOMPARE(dialog_->result(), int(QDialog::Rejected));
    QVERIFY(dialog_->PickerClosedByUser());
    QCOMPARE(swatch_.back(), 0x00FF00u);
  }
};

QTEST_MAIN(frmColorPickerTest)
#include "frmColorPickerTest.moc"
