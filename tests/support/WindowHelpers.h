// What the window tests share: a navigator that records unloads and hands a
// window's status line and progress bar to the user interface, a close and a
// drop delivered as the window system delivers them, a named control that
// must exist, a window on a simulated device, and the check of the menus'
// mnemonics.
#pragma once

#include <QtTest/qtestspontaneevent.h>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QSet>
#include <QTest>
#include <QWidget>
#include <memory>

#include "shell/QtUserInterface.h"
#include "shell/WorkingWindow.h"
#include "support/SimulatedRig.h"

namespace nimbo::test {

class StubNavigator final : public shell::Navigator {
 public:
  void Navigate(shell::WindowId) override {}
  void InvokeForum() override {}
  void ShowAbout(QWidget*) override {}
  void UnloadLoader() override { ++unloads; }
  void AttachStatusLabel(QLabel* label) override { ui.SetStatusLabel(label); }
  void AttachProgressBar(QProgressBar* bar) override { ui.SetProgressBar(bar); }
  int unloads = 0;
  VirtualClock clock;  // the user interface never pauses
  shell::QtUserInterface ui{clock};
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
// `stage`: 1 enter and move only, 2 the drop only, 3 all.
inline void DropText(QWidget* target, const QString& text, int stage = 3) {
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
    if (((event == &drop ? 2 : 1) & stage) == 0) {
      continue;
    }
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

// A working window of type W on a simulated device (the test's init() makes
// a fresh one), opened as the user meets it, and its named controls.
template <typename W>
class WindowFixture {
 protected:
  std::unique_ptr<SimulatedRig> rig_;
  StubNavigator navigator_;
  std::unique_ptr<W> window_;

  void Create() { window_ = std::make_unique<W>(rig_->module, navigator_); }
  void Open() {  // loaded and active
    Create();
    QVERIFY(window_->Form_Load());
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }
  template <typename T>
  T* Find(const QString& name) const {
    return Control<T>(window_.get(), name);
  }
};

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
