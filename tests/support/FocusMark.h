// How plainly a control shows that it has the focus.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <functional>

namespace nimbo::test {

// Taking the focus turns at least `band` pixels black and as many white (so
// the mark shows on any colour), changes as many strongly, and changes
// nothing where `markArea` (in the widget's pixels) says no mark belongs.
inline bool FocusShowsPlainly(QWidget* widget, double band,
                              const std::function<bool(int, int)>& markArea) {
  widget->clearFocus();
  const QImage plain = widget->grab().toImage();
  widget->setFocus(Qt::TabFocusReason);
  const QImage focused = widget->grab().toImage();
  int black = 0, white = 0, changed = 0;
  for (int i = 0; i < focused.width() * focused.height(); ++i) {
    const QPoint p(i % focused.width(), i / focused.width());
    const int grey = qGray(focused.pixel(p));
    if (!markArea(p.x(), p.y()) && focused.pixel(p) != plain.pixel(p)) {
      return false;
    }
    black += markArea(p.x(), p.y()) && grey < 30;
    white += markArea(p.x(), p.y()) && grey > 225;
    changed += std::abs(grey - qGray(plain.pixel(p))) >= 100;
  }
  return std::min({black, white, changed}) >= band;
}

}  // namespace nimbo::test
