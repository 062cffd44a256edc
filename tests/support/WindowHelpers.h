// What the window tests share: a navigator that records unloads only, a
// close delivered as the window frame delivers it, and a named control that
// must exist.
#pragma once

#include <QtTest/qtestspontaneevent.h>
#include <QApplication>
#include <QCloseEvent>
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

template <typename T>
T* Control(const QWidget* window, const QString& name) {
  T* control = window->findChild<T*>(name);
  if (control == nullptr) {
    qFatal("no control %s", qPrintable(name));
  }
  return control;
}

}  // namespace nimbo::test
