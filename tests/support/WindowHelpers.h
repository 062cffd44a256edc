// What the window tests share: a navigator that records unloads only, a
// close and a drop delivered as the window system delivers them, and a named
// control that must exist.
#pragma once

#include <QtTest/qtestspontaneevent.h>
#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

#include "shell/WorkingWindow.h"

namespace nimbo::test {

class StubNavigator final : public shell::Navigator {
 public:
  void Navigate(shell::WindowId) override {}
  void InvokeForum() override {}
  void ShowAbout(QWidget*) override {}
  void UnloadLoader() override { ++unloads; }
  int unloads = 0;
};

// A spontaneous close event, as the window frame sends it.
inline void CloseFromFrame(QWidget* window) {
  QCloseEvent event;
  QSpontaneKeyEvent::setSpontaneous(&event);
  qApp->notify(window, &event);  // sendEvent() would clear the mark
}

// Text dropped onto the middle of `target` from another program, delivered
// as the window delivers it: to the widget under that point that takes drops
// (a text box's viewport), as a drag that enters, moves and drops, each a
// spontaneous event of its own.
inline void DropText(QWidget* target, const QString& text) {
  QWidget* window = target->window();
  const QPoint at = target->mapTo(window, target->rect().center());
  QWidget* receiver = window->childAt(at);
  while (receiver != window && !receiver->acceptDrops()) {
    receiver = receiver->parentWidget();
  }
  QMimeData data;
  data.setText(text);
  const QPoint there = receiver->mapFrom(window, at);
  QDragEnterEvent enter(there, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QDragMoveEvent move(there, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QDropEvent drop(there, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  for (QEvent* event :
       {static_cast<QEvent*>(&enter), static_cast<QEvent*>(&move), static_cast<QEvent*>(&drop)}) {
    QSpontaneKeyEvent::setSpontaneous(event);
    qApp->notify(receiver, event);
  }
}

template <typename T>
T* Control(const QWidget* window, const QString& name) {
  T* control = window->findChild<T*>(name);
  if (control == nullptr) {
    qFatal("no control %s", qPrintable(name));
  }
  return control;
}

}  // namespace nimbo::test
