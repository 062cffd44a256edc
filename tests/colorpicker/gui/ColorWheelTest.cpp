// The colour-wheel control under the user's hands: dragging on the wheel and
// the strip, the arrow keys, mouse-wheel notches, the pointer grab and the
// size the control asks for.
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <map>
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
