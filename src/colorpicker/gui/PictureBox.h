// A plain child widget whose face the control paints: the wheel, the shades
// strip and the slider arrow. Input reaches the control through its event filter.
#pragma once

#include <QPainter>
#include <QWidget>
#include <functional>

namespace nimbo::colorpicker::gui {

class PictureBox : public QWidget {
  Q_OBJECT

 public:
  using Painter = std::function<void(QPainter&)>;
  PictureBox(const QString& name, Painter paint, QWidget* parent)
      : QWidget(parent), paint_(std::move(paint)) {
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    paint_(painter);
  }
  // The face shows whether the picture has the focus.
  void focusInEvent(QFocusEvent* event) override {
    QWidget::focusInEvent(event);
    update();
  }
  void focusOutEvent(QFocusEvent* event) override {
    QWidget::focusOutEvent(event);
    update();
  }

 private:
  Painter paint_;
};

}  // namespace nimbo::colorpicker::gui
