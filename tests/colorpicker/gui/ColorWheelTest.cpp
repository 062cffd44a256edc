// The colour-wheel control under the user's hands: dragging on the wheel and
// the strip, the keyboard, mouse-wheel notches, the focus, what a screen
// reader sees, the pointer grab and the size the control asks for; and the
// picker dialog around it: what it shows when it opens, what the swatch it
// was opened from follows, accepting and cancelling.
#include <QAccessible>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <map>
#include <memory>
#include <numbers>

#include "colorpicker/gui/ColorWheel.h"
#include "colorpicker/gui/frmColorPicker.h"
#include "support/FocusMark.h"

using nimbo::colorpicker::gui::ColorWheel;
using nimbo::colorpicker::gui::frmColorPicker;

namespace {

void SendMouse(QWidget* target, QEvent::Type type, QPointF at, Qt::MouseButtons held) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &event);
}

void Drag(QWidget* target, QPointF from, QPointF to) {
  SendMouse(target, QEvent::MouseButtonPress, from, Qt::LeftButton);
  SendMouse(target, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
  SendMouse(target, QEvent::MouseMove, to, Qt::LeftButton);
  SendMouse(target, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// One notch or part of one as its own event; quick notches share their time.
// passBack: the host hands the same event object to the control once more.
// Returns whether the control took it (it then goes no further).
bool SendWheel(QWidget* target, QPointF at, int delta, Qt::KeyboardModifiers modifiers,
               bool passBack) {
  QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    modifiers, Qt::NoScrollPhase, false);
  event.setTimestamp(1000);
  event.ignore();
  QCoreApplication::sendEvent(target, &event);
  const bool taken = event.isAccepted();
  if (passBack) {
    QCoreApplication::sendEvent(target->parentWidget(), &event);
  }
  return taken;
}

}  // namespace

class ColorWheelTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QWidget> host_;
  ColorWheel* wheel_ = nullptr;

  QWidget* Part(const char* name) const { return wheel_->findChild<QWidget*>(name); }
  QPointF Centre() const {
    return QPointF(wheel_->WheelCenterLeft(), wheel_->WheelCenterTop()) - Part("picWheel")->pos();
  }
  double Radius() const { return (Part("picWheel")->width() - 8) / 2.0; }

 private slots:
  void init() {
    host_ = std::make_unique<QWidget>();
    host_->resize(400, 320);
    wheel_ = new ColorWheel(host_.get());
    wheel_->setGeometry(24, 32, 308, 260);
    host_->show();
    QVERIFY(QTest::qWaitForWindowExposed(host_.get()));
  }
  void cleanup() { host_.reset(); }

  // Near white picks white; past the rim the marker stays on the rim with the
  // radius at its maximum; the strip reaches both ends; the pointer is free.
  void drags() {
    wheel_->SetColor(0x0000FF);  // full value: the centre is near white
    QWidget* picture = Part("picWheel");
    Drag(picture, Centre(), Centre());
    QCOMPARE(wheel_->Color(), 0xFFFFFFu);
    Drag(picture, Centre() + QPointF(0, 20), QPointF(picture->width() + 90, Centre().y() - 30));
    QCOMPARE(wheel_->S(), 100);
    QVERIFY(wheel_->MarkerVisible());
    const QPointF m = wheel_->MarkerPosition() - Centre();
    QVERIFY2(std::abs(std::hypot(m.x(), m.y()) - Radius()) <= 2.0, "marker off the rim");
    QWidget* strip = Part("picShades");
    Drag(strip, QPointF(5, strip->height() / 2), QPointF(5, strip->height() - 2));
    QCOMPARE(wheel_->L(), 0);
    Drag(strip, QPointF(5, strip->height() / 2), QPointF(5, 1));
    QCOMPARE(wheel_->L(), 100);
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
  }

  // Keys reach what the mouse reaches: round the wheel and along its radius in
  // notches (Shift: by one), the strip by one, by a notch (pages) or its ends.
  void keys() {
    struct Case {
      const char* part;  // "": the control itself
      int key, modifiers, value;
      const char* property;
      int expected;
    };
    const int none = Qt::NoModifier;
    for (const Case& k : {Case{"", Qt::Key_Up, none, 100, "V", 100},  // at the top
                          Case{"", Qt::Key_Down, none, 0, "V", 0},    // at the foot
                          Case{"", Qt::Key_Down, none, 100, "V", 99},
                          Case{"picShades", Qt::Key_Up, none, 0, "V", 1},
                          Case{"picShades", Qt::Key_PageDown, none, 100, "V", 97},
                          Case{"picShades", Qt::Key_End, none, 60, "V", 0},
                          Case{"picShades", Qt::Key_Home, none, 60, "V", 100},
                          Case{"picShades", Qt::Key_PageUp, Qt::ShiftModifier, 0, "V", 3},
                          Case{"picWheel", Qt::Key_Right, none, 100, "H", 12},
                          Case{"picWheel", Qt::Key_Left, Qt::ShiftModifier, 100, "H", 359},
                          Case{"picWheel", Qt::Key_Down, none, 100, "S", 93},    // inwards
                          Case{"picWheel", Qt::Key_Up, none, 100, "S", 100}}) {  // at the rim
      cleanup(), init();  // each case on a new control
      wheel_->SetColor(0x0000FF);
      wheel_->SetL(k.value);
      const int before = wheel_->property(k.property).toInt();
      QSignalSpy changes(wheel_, &ColorWheel::ParameterValueChange);
      QTest::keyClick(*k.part ? Part(k.part) : wheel_, Qt::Key(k.key),
                      Qt::KeyboardModifiers(k.modifiers));
      const QString row = QString("%1 %2 %3").arg(k.part).arg(k.key).arg(k.value);
      QVERIFY2(wheel_->property(k.property).toInt() == k.expected, qPrintable(row));
      QVERIFY2(changes.isEmpty() == (k.expected == before), qPrintable(row));
    }
  }

  // Notches over the wheel step its axial (Control: radial) parameter by a
  // thirtieth (fifteenth) of its range, over the strip the slider; Shift: by
  // one. Separate events all count, even at one time; the same event passed
  // back does not; parts add up. Elsewhere they take their normal course.
  void notches() {
    struct Case {
      int system, selection;
      const char* where;
      QList<int> deltas;
      int modifiers;
      const char* property;
      int expected, navigations;
    };
    const int none = Qt::NoModifier;
    const int shift = Qt::ShiftModifier;
    const int ctrl = Qt::ControlModifier;
    const int value = 1;  // hue round the wheel, saturation along the radius
    const Case cases[] = {
        {0, value, "wheel", {-120}, none, "H", 348, 1},  // towards the user wraps
        {0, value, "wheel", {-120}, shift, "H", 359, 1},
        {0, value, "wheel", QList<int>(5, 120), none, "H", 60, 5},  // quick notches
        {0, value, "passed back", {120}, none, "H", 12, 1},
        {0, value, "wheel", QList<int>(5, 30), none, "H", 12, 1},  // quarters
        {0, value, "wheel", {240}, none, "H", 24, 2},              // two notches in one event
        {0, value, "wheel", {-120}, ctrl, "S", 93, 1},
        {0, value, "wheel", {120}, ctrl, "S", 100, 1},  // at the rim
        {0, value, "wheel", {-120}, ctrl | shift, "S", 99, 1},
        {0, value, "strip", {-120}, shift, "V", 99, 1},
        {0, 0, "wheel", {120}, shift, "V", 0, 1},  // value round the wheel wraps
        {0, 3, "wheel", {-120}, shift, "G", 255, 1},
        {1, value, "wheel", {-120}, none, "H", 232, 1},  // HSL: 240 / 30
        {1, 0, "wheel", {120}, none, "L", 128, 1},
        {1, value, "wheel", {-120}, ctrl, "S", 224, 1},
        {0, value, "corner", {120}, none, "H", 0, 0},  // outside the disc
        {0, value, "arrow", {120}, none, "H", 0, 0},
        {0, value, "control", {120}, none, "H", 0, 0},
    };
    for (const Case& k : cases) {
      cleanup(), init();  // each case on a new control
      wheel_->SetColorSystem(k.system);
      wheel_->SetSelectionParameter(k.selection);
      wheel_->SetColor(0x0000FF);  // hue 0, full saturation, value 100 or luminance 120
      const std::map<QString, std::pair<QWidget*, QPointF>> places = {
          {"wheel", {Part("picWheel"), Centre() + QPointF(15, 10)}},
          {"passed back", {Part("picWheel"), Centre()}},
          {"corner", {Part("picWheel"), QPointF(1, 1)}},
          {"strip", {Part("picShades"), QPointF(5, 20)}},
          {"arrow", {Part("picSlider"), QPointF(2, 20)}},
          {"control", {wheel_, QPointF(wheel_->width() - 2, 2)}}};
      const auto [target, at] = places.at(k.where);
      int navigations = 0;  // a spy cannot hold the signal's reference argument
      connect(wheel_, &ColorWheel::MouseWheelNavigation, [&](qint32&) { ++navigations; });
      const QString row =
          QString("%1/%2 %3 %4").arg(k.system).arg(k.selection).arg(k.where, k.property);
      for (const int delta : k.deltas) {
        const bool taken = SendWheel(target, at, delta, Qt::KeyboardModifiers(k.modifiers),
                                     QString(k.where) == "passed back");
        QVERIFY2(taken == (k.navigations > 0), qPrintable(row));
      }
      QVERIFY2(wheel_->property(k.property).toInt() == k.expected, qPrintable(row));
      QVERIFY2(navigations == k.navigations, qPrintable(row));
    }
  }

  // The focus shows in black beside white, so on any colour, and never over a
  // colour that the wheel (its disc) or the strip (inside its frame) shows;
  // the strip's shows on its arrow too.
  void focusIsPlainOnAnyColour() {
    QVERIFY(QTest::qWaitForWindowActive(host_.get()));
    const QImage arrow = Part("picSlider")->grab().toImage();
    // Two rings, each wider than a pixel, round the disc; on the strip its frame.
    QVERIFY(nimbo::test::FocusShowsPlainly(
        Part("picWheel"), 1.25 * 2 * std::numbers::pi * Radius(), [this](int x, int y) {
          return std::hypot(x - Centre().x(), y - Centre().y()) > Radius() + 0.5;
        }));
    QCOMPARE(Part("picSlider")->grab().toImage(), arrow);
    QWidget* strip = Part("picShades");
    const QRect inside(1, 1, strip->width() - 2, strip->height() - 2);
    QVERIFY(nimbo::test::FocusShowsPlainly(strip, 20,
                                           [&](int x, int y) { return !inside.contains(x, y); }));
    QVERIFY(Part("picSlider")->grab().toImage() != arrow);
  }

  // Screen readers see the wheel and the strip as value controls: they name
  // their parameters, report values and take new ones. The wheel's
  // description carries both of its values; one step is one arrow-key press.
  void wheelAndStripAreValueControls() {
    wheel_->SetColor(0x0000FF);
    QAccessibleInterface* wheel = QAccessible::queryAccessibleInterface(Part("picWheel"));
    QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(Part("picShades"));
    const int hue = wheel->valueInterface()->currentValue().toInt();
    QTest::keyClick(Part("picWheel"), Qt::Key_Down);
    QTest::keyClick(Part("picWheel"), Qt::Key_Right);
    QCOMPARE(wheel->text(QAccessible::Description),
             QString("Hue 12 round the wheel, Sat. 93 along the radius"));
    QCOMPARE(wheel->valueInterface()->currentValue().toInt() - hue,
             wheel->valueInterface()->minimumStepSize().toInt());
    wheel_->SetColor(0x0000FF);
    QCOMPARE(wheel->role(), QAccessible::Dial);
    QCOMPARE(strip->role(), QAccessible::Slider);
    QCOMPARE(wheel->text(QAccessible::Value), QString("Hue 0, Sat. 100"));
    QCOMPARE(wheel->valueInterface()->maximumValue().toInt(), 360);
    QCOMPARE(strip->text(QAccessible::Name), QString("Value"));
    QCOMPARE(strip->valueInterface()->currentValue().toInt(), 100);
    wheel->valueInterface()->setCurrentValue(120);
    strip->valueInterface()->setCurrentValue(40);
    QCOMPARE(wheel_->Color(), 0x006600u);  // green at value 40
    wheel_->SetSelectionParameter(0);
    QCOMPARE(strip->text(QAccessible::Name), QString("Hue"));
    QCOMPARE(wheel->text(QAccessible::Value), QString("Value 40, Sat. 100"));
  }

  void grabIsReleasedWhenHidden() {
    QWidget* picture = Part("picWheel");
    SendMouse(picture, QEvent::MouseButtonPress, Centre(), Qt::LeftButton);
    QCOMPARE(QWidget::mouseGrabber(), picture);
    host_->hide();
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
  }

  void sizeRequestSettles() {
    wheel_->resize(331, 251);
    const QSize asked = wheel_->size();
    QCOMPARE(asked, QSize(300, 252));
    auto* timer = wheel_->findChild<QTimer*>("tmrFixSize");
    QVERIFY(timer != nullptr);
    QTRY_VERIFY(!timer->isActive());
    QCOMPARE(wheel_->size(), asked);
    wheel_->resize(asked);
    QVERIFY(!timer->isActive());
  }

  void buttonFaceResolvesThroughThePalette() {
    const QImage image = wheel_->WheelImage();
    QCOMPARE(image.pixelColor(0, 0).rgb(), wheel_->palette().color(QPalette::Button).rgb());
  }

  // The picker shows its start colour everywhere at once, its text as RRGGBB
  // with six digits; for the control's own start colour it raises no
  // ColorChange.
  void pickerOpensOnTheStartColour() {
    for (const auto& [start, label] : {std::pair{0x00FF00u, "00FF00"},
                                       {0x808080u, "808080"},
                                       {0x000001u, "010000"},
                                       {0x0000FFu, "FF0000"},
                                       {0x000000u, "000000"},
                                       {0x204080u, "804020"}}) {
      frmColorPicker dialog;
      std::vector<std::uint32_t> swatch;  // every colour the swatch was given
      QSignalSpy changes(dialog.Wheel(), &ColorWheel::ColorChange);
      dialog.Open(start, [&swatch](std::uint32_t c) { swatch.push_back(c); });
      QCOMPARE(changes.count(), start == 0x808080u ? 0 : 1);
      for (const char* frame : {"OldColor", "NewColor"}) {
        QCOMPARE(dialog.findChild<QFrame*>(frame)->palette().color(QPalette::Window).rgb(),
                 qRgb(start & 0xFF, (start >> 8) & 0xFF, start >> 16));
      }
      QCOMPARE(dialog.findChild<QLabel*>("ColorValue_txt")->text(), QString(label));
      QCOMPARE(swatch.back(), start);
      QCOMPARE(dialog.windowTitle(), QString("Color Picker"));
      QCOMPARE(dialog.size(), QSize(504, 325));  // 7560 x 4875 twips
    }
  }

  // By the close box or by Escape the picker puts the start colour back; keys
  // the wheel does not use reach the dialog, and Enter, with no default
  // button, presses nothing.
  void closingThePickerPutsTheStartColourBack() {
    for (const bool escape : {false, true}) {
      frmColorPicker dialog;
      std::vector<std::uint32_t> swatch;
      dialog.Open(0x00FF00, [&swatch](std::uint32_t c) { swatch.push_back(c); });
      dialog.show();
      QVERIFY(QTest::qWaitForWindowActive(&dialog));
      dialog.Wheel()->SetColor(0x0000FF);
      dialog.Wheel()->SetColor(0xFF0000);
      QCOMPARE(swatch.back(), 0xFF0000u);
      QCOMPARE(QApplication::focusWidget()->objectName(), QString("picWheel"));
      for (const char* next : {"picShades", "SelectColorButton", "picWheel"}) {  // reading order
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString(next));
      }
      QWidget* focused = QApplication::focusWidget();
      QTest::keyClick(focused, Qt::Key_Return);
      QVERIFY(dialog.isVisible());
      escape ? QTest::keyClick(focused, Qt::Key_Escape) : void(dialog.close());
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
      QVERIFY(dialog.PickerClosedByUser());
      QCOMPARE(swatch.back(), 0x00FF00u);
    }
  }
};

QTEST_MAIN(ColorWheelTest)
#include "ColorWheelTest.moc"
