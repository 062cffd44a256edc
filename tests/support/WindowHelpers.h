// What the window tests share: a navigator that records unloads only, a
// close delivered as the window frame delivers it, a named control that must
// exist, and the check of the menus' mnemonics.
#pragma once

#include <QtTest/qtestspontaneevent.h>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QSet>
#include <QTest>
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

// Every entry of these menus and their submenus has a mnemonic mark, and no
// two entries of one menu share a letter.
inline void CheckMnemonics(const QList<QAction*>& entries) {
  QSet<QChar> letters;
  for (const QAction* entry : entries) {
    if (entry->isSeparator()) {
      continue;
    }
    const QString text = entry->text();
    const qsizetype mark = text.indexOf(QLatin1Char('&'));
    QVERIFY2(mark >= 0 && mark + 1 < text.size(), qPrintable(text));
    const QChar letter = text.at(mark + 1).toLower();
    QVERIFY2(!letters.contains(letter), qPrintable(text));
    letters.insert(letter);
    if (entry->menu() != nullptr) {
      CheckMnemonics(entry->menu()->actions());
    }
  }
}

}  // namespace nimbo::test
