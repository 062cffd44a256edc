// The colour picker dialog on its own: what it shows when it opens, what the
// swatch it was opened from follows, accepting and cancelling.
#include <QApplication>
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

  // The start colour shows everywhere at once, its text as RRGGBB with six
  // digits; for the control's own start colour it raises no ColorChange.
  void openingShowsTheStartColour() {
    for (const auto& [start, label] : {std::pair{0x00FF00u, "00FF00"},
                                       {0x808080u, "808080"},
                                       {0x000001u, "010000"},
                                       {0x0000FFu, "FF0000"},
                                       {0x000000u, "000000"},
                                       {0x204080u, "804020"}}) {
      init();
      QSignalSpy changes(dialog_->Wheel(), &ColorWheel::ColorChange);
      OpenWith(start);
      QCOMPARE(changes.count(), start == 0x808080u ? 0 : 1);
      const QRgb shown = qRgb(start & 0xFF, (start >> 8) & 0xFF, start >> 16);
      QCOMPARE(Background("OldColor"), shown);
      QCOMPARE(Background("NewColor"), shown);
      QCOMPARE(Label(), QString(label));
      QCOMPARE(swatch_.back(), start);
    }
    QCOMPARE(dialog_->windowTitle(), QString("Color Picker"));
    QCOMPARE(dialog_->size(), QSize(504, 325));  // 7560 x 4875 twips
  }

  // By the close box or by Escape; keys the wheel does not use reach the
  // dialog, and Enter, with no default button, presses nothing.
  void closingPutsTheStartColourBack() {
    for (const bool escape : {false, true}) {
      init();
      OpenWith(0x00FF00);
      dialog_->show();
      QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
      dialog_->Wheel()->SetColor(0x0000FF);
      dialog_->Wheel()->SetColor(0xFF0000);
      QCOMPARE(swatch_.back(), 0xFF0000u);
      QCOMPARE(QApplication::focusWidget()->objectName(), QString("picWheel"));
      for (const char* next : {"picShades", "SelectColorButton", "picWheel"}) {  // reading order
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString(next));
      }
      QWidget* focused = QApplication::focusWidget();
      QTest::keyClick(focused, Qt::Key_Return);
      QVERIFY(dialog_->isVisible());
      escape ? QTest::keyClick(focused, Qt::Key_Escape) : void(dialog_->close());
      QCOMPARE(dialog_->result(), int(QDialog::Rejected));
      QVERIFY(dialog_->PickerClosedByUser());
      QCOMPARE(swatch_.back(), 0x00FF00u);
    }
  }
};

QTEST_MAIN(frmColorPickerTest)
#include "frmColorPickerTest.moc"
