// The colour-wheel control under the user's hands: dragging on the wheel and
// the strip, the arrow keys, mouse-wheel notches, the pointer grab and the
// size the control asks for.
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <memory>

#include "colorpicker/gui/ColorWheel.h"

using nimbo::colorpicker::gui::ColorWheel;

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

// Returns whether the control took the event (it then goes no further).
bool SendWheel(QWidget* target, QPointF at, int delta, Qt::KeyboardModifiers modifiers = {}) {
  static quint64 clock = 1000;
  QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    modifiers, Qt::NoScrollPhase, false);
  event.setTimestamp(++clock);
  event.ignore();
  QCoreApplication::sendEvent(target, &event);
  return event.isAccepted();
}

// Counts MouseWheelNavigation (a spy cannot hold its reference argument).
struct NavigationCount {
  explicit NavigationCount(ColorWheel* wheel) {
    QObject::connect(wheel, &ColorWheel::MouseWheelNavigation, [this](qint32&) { ++count; });
  }
  int count = 0;
};

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

  void dragPastTheRimKeepsTheMarkerOnTheRim() {
    wheel_->SetColor(0x0000FF);
    QWidget* picture = Part("picWheel");
    Drag(picture, Centre() + QPointF(0, 20), QPointF(picture->width() + 90, Centre().y() - 30));
    QCOMPARE(wheel_->S(), 100);
    QVERIFY(wheel_->MarkerVisible());
    const QPointF m = wheel_->MarkerPosition() - Centre();
    QVERIFY2(std::abs(std::hypot(m.x(), m.y()) - Radius()) <= 2.0, "marker off the rim");
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
  }

  void nearWhiteSnapsToWhite() {
    wheel_->SetColor(0x0000FF);  // full value: the centre is near white
    Drag(Part("picWheel"), Centre(), Centre());
    QCOMPARE(wheel_->Color(), 0xFFFFFFu);
  }

  void arrowKeysAtTheEndsChangeNothing_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("key");
    QTest::newRow("top") << 100 << int(Qt::Key_Up);
    QTest::newRow("bottom") << 0 << int(Qt::Key_Down);
  }
  void arrowKeysAtTheEndsChangeNothing() {
    QFETCH(int, value);
    QFETCH(int, key);
    wheel_->SetColor(0x0000FF);
    wheel_->SetL(value);
    QSignalSpy changes(wheel_, &ColorWheel::ParameterValueChange);
    QTest::keyClick(wheel_, Qt::Key(key));
    QCOMPARE(wheel_->L(), value);
    QCOMPARE(changes.count(), 0);
    QTest::keyClick(wheel_, key == Qt::Key_Up ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(wheel_->L(), value == 100 ? 99 : 1);
  }

  void stripDragReachesBothEnds() {
    QWidget* strip = Part("picShades");
    wheel_->SetColor(0x0000FF);
    Drag(strip, QPointF(5, strip->height() / 2), QPointF(5, strip->height() - 2));
    QCOMPARE(wheel_->L(), 0);
    Drag(strip, QPointF(5, strip->height() / 2), QPointF(5, 1));
    QCOMPARE(wheel_->L(), 100);
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
  }

  void notchesStepTheHueRoundTheWheel_data() {
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("hue");
    QTest::newRow("towards the user wraps") << -120 << int(Qt::NoModifier) << 348;
    QTest::newRow("shift") << 120 << int(Qt::ShiftModifier) << 1;
    QTest::newRow("shift towards") << -120 << int(Qt::ShiftModifier) << 359;
  }
  void notchesStepTheHueRoundTheWheel() {
    QFETCH(int, delta);
    QFETCH(int, modifiers);
    QFETCH(int, hue);
    wheel_->SetColor(0x0000FF);  // hue 0
    NavigationCount navigation(wheel_);
    SendWheel(Part("picWheel"), Centre() + QPointF(15, 10), delta,
              Qt::KeyboardModifiers(modifiers));
    QCOMPARE(wheel_->H(), hue);
    QCOMPARE(navigation.count, 1);
  }

  void controlNotchStepsTheRadius() {
    wheel_->SetColor(0x0000FF);
    SendWheel(Part("picWheel"), Centre(), -120, Qt::ControlModifier);
    QCOMPARE(wheel_->S(), 93);  // a fifteenth of 100 less
  }

  void notchOverTheStripMovesTheSlider() {
    wheel_->SetColor(0x0000FF);
    QWidget* strip = Part("picShades");
    SendWheel(strip, QPointF(5, 20), -120, Qt::ShiftModifier);
    QCOMPARE(wheel_->L(), 99);
  }

  void notchElsewhereRaisesNothing() {
    wheel_->SetColor(0x0000FF);
    NavigationCount navigation(wheel_);
    // A corner outside the disc, and the arrow: left to take their normal course.
    QVERIFY(!SendWheel(Part("picWheel"), QPointF(1, 1), 120));
    QVERIFY(!SendWheel(Part("picSlider"), QPointF(2, 20), 120));
    QVERIFY(!SendWheel(wheel_, QPointF(wheel_->width() - 2, 2), 120));
    QCOMPARE(navigation.count, 0);
    QCOMPARE(wheel_->H(), 0);
  }

  void notchIsNeverHandledTwice() {
    wheel_->SetColor(0x0000FF);
    NavigationCount navigation(wheel_);
    QWidget* picture = Part("picWheel");
    QWheelEvent notch(Centre(), picture->mapToGlobal(Centre()), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    notch.setTimestamp(5);
    QCoreApplication::sendEvent(picture, &notch);
    QVERIFY(notch.isAccepted());  // taken: it goes to no other handler
    QCOMPARE(wheel_->H(), 12);
    // The host passes the same event back to the control.
    QCoreApplication::sendEvent(wheel_, &notch);
    QCOMPARE(wheel_->H(), 12);
    QCOMPARE(navigation.count, 1);
    // A touchpad's small steps add up to whole notches.
    for (int i = 0; i < 3; ++i) {
      QVERIFY(SendWheel(picture, Centre(), 30));
    }
    QCOMPARE(navigation.count, 1);
    SendWheel(picture, Centre(), 30);
    QCOMPARE(navigation.count, 2);
    QCOMPARE(wheel_->H(), 24);
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
};

QTEST_MAIN(ColorWheelTest)
#include "ColorWheelTest.moc"
