// The control's input and layout: dragging on the wheel, the strip and the
// arrow, the arrow keys, mouse-wheel notches (seen by an event filter before
// the sub-controls handle them), and the size rules.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "colorpicker/ColorHelpers.h"
#include "colorpicker/ShadesStrip.h"
#include "colorpicker/WheelLayout.h"
#include "colorpicker/gui/ColorWheel.h"
#include "colorpicker/gui/PictureBox.h"

namespace nimbo::colorpicker::gui {

namespace {

constexpr int kNotch = 120;  // eighths of a degree per wheel notch
// Set in a wheel event's timestamp once handled; no system's clock reaches it.
constexpr quint64 kHandledMark = quint64{1} << 63;
constexpr double kDefaultHeightTwips = 3900;

// A point kept on the picture while the button is held, as if the pointer
// could not leave it.
QPointF ClampTo(const QWidget* picture, QPointF p) {
  return {std::clamp(p.x(), 0.0, std::max(picture->width() - 1.0, 0.0)),
          std::clamp(p.y(), 0.0, std::max(picture->height() - 1.0, 0.0))};
}

}  // namespace

bool ColorWheel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentForm_ && event->type() == QEvent::Show) {
    model_.OnParentFormLoad();
    return false;
  }
  if (event->type() == QEvent::Wheel && hookActive_ &&
      (watched == this || watched == picWheel_ || watched == picShades_)) {
    return MouseWheel(watched, static_cast<QWheelEvent*>(event));
  }
  if (event->type() == QEvent::KeyPress && (watched == picWheel_ || watched == picShades_)) {
    return PartKey(watched, static_cast<QKeyEvent*>(event));
  }
  if (watched == picShades_ &&
      (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
    PaintSlider();  // the arrow shows the strip's focus
  }
  if (watched == picWheel_) {
    return WheelMouse(event);
  }
  if (watched == picShades_) {
    return ShadesMouse(event);
  }
  if (watched == picSlider_) {
    return SliderMouse(event);
  }
  return QWidget::eventFilter(watched, event);
}

// --- Dragging -------------------------------------------------------------------

bool ColorWheel::WheelMouse(QEvent* event) {
  const auto type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
      type != QEvent::MouseButtonRelease) {
    return false;
  }
  const auto* mouse = static_cast<QMouseEvent*>(event);
  const QPointF at = ClampTo(picWheel_, mouse->position());
  switch (type) {
    case QEvent::MouseButtonPress:
      if (mouse->button() != Qt::LeftButton ||
          !raster_.InsideWheel(mouse->position().x(), mouse->position().y())) {
        return false;
      }
      grabber_ = picWheel_;
      picWheel_->grabMouse();
      SetPointerVisible(false);
      draggingWheel_ = true;
      WheelDragTo(at);
      return true;
    case QEvent::MouseMove:
      if (!draggingWheel_) {
        return false;
      }
      WheelDragTo(at);
      return true;
    default:
      if (!draggingWheel_ || mouse->button() != Qt::LeftButton) {
        return false;
      }
      WheelDragTo(at);
      ReleaseGrab();
      draggingWheel_ = false;
      if (raster_.InsideWheel(at.x(), at.y())) {
        PlaceMarker(at);
      }
      SetPointerVisible(true);
      return true;
  }
}

void ColorWheel::WheelDragTo(QPointF point) {
  if (raster_.InsideWheel(point.x(), point.y())) {
    model_.PickColor(SnapColor(raster_.ColorAtPoint(point.x(), point.y())), false);
    SetPointerVisible(false);
    return;
  }
  const PointF rim = raster_.ClampToRim(point.x(), point.y());
  model_.PickColor(SnapColor(raster_.ColorAtPoint(rim.x, rim.y)), true);
  PlaceMarker(QPointF(rim.x, rim.y));
  SetPointerVisible(true);
}

bool ColorWheel::ShadesMouse(QEvent* event) {
  const auto type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
      type != QEvent::MouseButtonRelease) {
    return false;
  }
  const auto* mouse = static_cast<QMouseEvent*>(event);
  if (type == QEvent::MouseButtonPress) {
    if (mouse->button() != Qt::LeftButton) {
      return false;
    }
    grabber_ = picShades_;
    picShades_->grabMouse();
    draggingShades_ = true;
  }
  if (type == QEvent::MouseButtonRelease) {
    if (draggingShades_ && mouse->button() == Qt::LeftButton) {
      ReleaseGrab();
      draggingShades_ = false;
    }
    return true;
  }
  if (!draggingShades_ || !(mouse->buttons() & Qt::LeftButton)) {
    return false;
  }
  const QPointF at = ClampTo(picShades_, mouse->position());
  model_.SetSliderValue(ShadesSliderValueAt(at.y(), picShades_->height(), model_.SliderMax()));
  return true;
}

bool ColorWheel::SliderMouse(QEvent* event) {
  const auto type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove) {
    return false;
  }
  const auto* mouse = static_cast<QMouseEvent*>(event);
  if (!(mouse->buttons() & Qt::LeftButton)) {
    return false;
  }
  model_.SetSliderValue(ArrowSliderValueAt(mouse->position().y(), picSlider_->height(),
                                           arrowHeight_, model_.SliderMin(), model_.SliderMax()));
  return true;
}

void ColorWheel::ReleaseGrab() {
  if (grabber_ != nullptr) {
    grabber_->releaseMouse();
    grabber_ = nullptr;
  }
}

void ColorWheel::hideEvent(QHideEvent* event) {
  // Closing the host mid-drag must not leave the pointer captured.
  ReleaseGrab();
  draggingWheel_ = false;
  draggingShades_ = false;
  markerVisible_ = true;
  QWidget::hideEvent(event);
}

// --- Keys and mouse-wheel notches ----------------------------------------------

void ColorWheel::keyPressEvent(QKeyEvent* event) {
  if (!picSlider_->isHidden() && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
    model_.StepSlider(event->key() == Qt::Key_Up);
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool ColorWheel::PartKey(QObject* watched, QKeyEvent* event) {
  const bool fine = event->modifiers().testFlag(Qt::ShiftModifier);
  const int key = event->key();
  if (watched == picWheel_) {
    // Round the wheel and along its radius, in the steps of a mouse-wheel
    // notch (Shift: by one).
    switch (key) {
      case Qt::Key_Left:
      case Qt::Key_Right:
        model_.WheelNotch(false, key == Qt::Key_Right, fine);
        return true;
      case Qt::Key_Up:
      case Qt::Key_Down:
        model_.WheelNotch(true, key == Qt::Key_Up, fine);
        return true;
      default:
        return false;
    }
  }
  // The strip: the arrows by one as on the control, pages by a notch, and
  // its ends. Other keys go on to the control and its host.
  switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      model_.ShadesNotch(key == Qt::Key_PageUp, false);
      return true;
    case Qt::Key_Home:
      model_.SetSliderValue(model_.SliderMin());
      return true;
    case Qt::Key_End:
      model_.SetSliderValue(model_.SliderMax());
      return true;
    default:
      return false;
  }
}

void ColorWheel::StartMessageHook() {
  if (hookActive_) {
    return;
  }
  hookActive_ = true;
  installEventFilter(this);
}

void ColorWheel::StopMessageHook() {
  if (!hookActive_) {
    return;
  }
  hookActive_ = false;
  removeEventFilter(this);
}

bool ColorWheel::MouseWheel(QObject* watched, QWheelEvent* event) {
  const QPointF at = static_cast<QWidget*>(watched)->mapTo(this, event->position());
  const WheelGeometry& g = raster_.Geometry();
  const QPointF centre = picWheel_->pos() + QPointF(g.cx, g.cy);
  const bool overWheel = std::hypot(at.x() - centre.x(), at.y() - centre.y()) <= g.Rad;
  const bool overStrip = !overWheel && picShades_->geometry().contains(at.toPoint());
  if (!overWheel && !overStrip) {
    return false;  // elsewhere: the event takes its normal course
  }
  // A handled event carries a mark, so that the same event passed back to the
  // control (by a host) is not a second notch. Separate events always count,
  // however alike: quick notches share their time and place.
  if ((event->timestamp() & kHandledMark) != 0) {
    return false;
  }
  event->setTimestamp(event->timestamp() | kHandledMark);
  int delta = event->angleDelta().y();
  if (delta == 0) {
    delta = event->angleDelta().x();  // some systems turn Shift+wheel sideways
  }
  if ((delta > 0 && wheelRemainder_ < 0) || (delta < 0 && wheelRemainder_ > 0)) {
    wheelRemainder_ = 0;  // a turn the other way starts a new notch
  }
  wheelRemainder_ += delta;
  const bool fine = event->modifiers().testFlag(Qt::ShiftModifier);
  const bool radial = event->modifiers().testFlag(Qt::ControlModifier);
  while (std::abs(wheelRemainder_) >= kNotch) {
    const bool up = wheelRemainder_ > 0;
    wheelRemainder_ += up ? -kNotch : kNotch;
    if (overWheel) {
      model_.WheelNotch(radial, up, fine);
    } else {
      model_.ShadesNotch(up, fine);
    }
    qint32 value = 0;
    emit MouseWheelNavigation(value);
  }
  // Consumed here, so the same event never reaches another handler of the
  // control or its host.
  event->accept();
  return true;
}

// --- Layout -----------------------------------------------------------------------

QSize ColorWheel::sizeHint() const {
  LayoutInput in;
  in.twipsPerPixel = twipsPerPixel_;
  in.sliderBoxWidth = arrowWidth_ + 2;
  in.height = static_cast<int>(std::lround(kDefaultHeightTwips / twipsPerPixel_));
  in.width = 10000;
  in.optionalShown = model_.SelectionParametersAvailable() != 0 ||
                     model_.DrawFixedControlVisible() || model_.ColorSystemControlVisible();
  const SizeDecision d = DecideSize(in);
  return {d.width, d.height};
}

void ColorWheel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Layout();
}

void ColorWheel::Layout() {
  if (layoutDepth_ > 0 || !started_) {
    return;
  }
  ++layoutDepth_;
  LayoutInput in;
  in.width = width();
  in.height = height();
  in.twipsPerPixel = twipsPerPixel_;
  in.sliderBoxWidth = arrowWidth_ + 2;
  in.optionalShown = model_.SelectionParametersAvailable() != 0 ||
                     model_.DrawFixedControlVisible() || model_.ColorSystemControlVisible();
  const SizeDecision d = DecideSize(in);
  if (d.changed) {
    requiredSize_ = QSize(d.width, d.height);
    resize(requiredSize_);
    if (!fixingSize_) {
      tmrFixSize_.start();
    }
  }
  LayoutParameterArea();
  UpdateVisibility();
  --layoutDepth_;
}

void ColorWheel::LayoutParameterArea() {
  if (!started_) {
    return;
  }
  LayoutInput size;
  size.width = width();
  size.height = height();
  size.twipsPerPixel = twipsPerPixel_;
  size.sliderBoxWidth = arrowWidth_ + 2;
  AreaInput in;
  in.width = width();
  in.height = height();
  in.paramWidth = DecideSize(size).paramWidth;
  in.twipsPerPixel = twipsPerPixel_;
  in.sliderBoxWidth = arrowWidth_ + 2;
  in.listHeight = cboSelection_->sizeHint().height();
  in.checkHeight = chkFixed_->sizeHint().height();
  in.colorSystemHeight = fraColorSystem_->sizeHint().height();
  in.listShown = model_.SelectionParametersAvailable() != 0;
  in.checkShown = model_.DrawFixedControlVisible();
  in.colorSystemShown = model_.ColorSystemControlVisible();
  const PartPlaces places = PlaceParts(in);
  const auto rect = [](const Rect& r) { return QRect(r.x, r.y, r.width, r.height); };

  const QSize wheelBefore = picWheel_->size();
  const QSize stripBefore = picShades_->size();
  picWheel_->setGeometry(rect(places.wheel));
  cboSelection_->setGeometry(rect(places.selectionList));
  picShades_->setGeometry(rect(places.strip));
  picSlider_->setGeometry(rect(places.arrowBox));
  chkFixed_->setGeometry(rect(places.fixedCheck));
  fraColorSystem_->setGeometry(rect(places.colorSystem));
  if (picWheel_->size() != wheelBefore) {
    model_.OnWheelResized();
  }
  if (picShades_->size() != stripBefore) {
    model_.DrawShades();
    PaintSlider();
  }
}

}  // namespace nimbo::colorpicker::gui
