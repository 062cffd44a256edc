// How plainly a control shows that it has the focus: its picture with the
// focus against the picture without.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <functional>

namespace nimbo::test {

struct FocusMarkPixels {
  int black = 0;      // black in the focused picture, where the mark may go
  int white = 0;      // white there
  int changed = 0;    // changed strongly (by 100 grey levels or more)
  int misplaced = 0;  // changed at all where the mark must not go
};

// `markArea` says where the mark may go, in the widget's pixels; the widget
// must be able to take the focus (its window active).
inline FocusMarkPixels FocusMark(QWidget* widget, const std::function<bool(int, int)>& markArea) {
  widget->clearFocus();
  const QImage plain = widget->grab().toImage();
  widget->setFocus(Qt::TabFocusReason);
  const QImage focused = widget->grab().toImage();
  FocusMarkPixels count;
  for (int y = 0; y < focused.height(); ++y) {
    for (int x = 0; x < focused.width(); ++x) {
      const int grey = qGray(focused.pixel(x, y));
      const bool mark = markArea(x, y);
      count.black += mark && grey < 30;
      count.white += mark && grey > 225;
      count.changed += std::abs(grey - qGray(plain.pixel(x, y))) >= 100;
      count.misplaced += !mark && focused.pixel(x, y) != plain.pixel(x, y);
    }
  }
  return count;
}

// A black band and a white band, each wider than a pixel along an outline
// `length` pixels long, show on any colour.
inline bool PlainOnAnyColour(const FocusMarkPixels& mark, double length) {
  return mark.black >= 1.25 * length && mark.white >= 1.25 * length && mark.changed >= length &&
         mark.misplaced == 0;
}

}  // namespace nimbo::test
