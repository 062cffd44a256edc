#include "shell/TransferGuard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace nimbo::shell {

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    // Text that an input method commits, or that is dropped, edits a box as
    // typing does.
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

}  // namespace

TransferGuard::TransferGuard(QWidget& window, bool& busy) : window_(&window), busy_(busy) {
  busy_ = true;
  if (QCoreApplication* app = QCoreApplication::instance()) {
    app->installEventFilter(this);
  }
}

TransferGuard::~TransferGuard() {
  if (QCoreApplication* app = QCoreApplication::instance()) {
    app->removeEventFilter(this);
  }
  busy_ = false;
}

bool TransferGuard::eventFilter(QObject* watched, QEvent* event) {
  if (!IsUserInput(event->type()) || window_.isNull() || !watched->isWidgetType()) {
    return false;
  }
  const auto* widget = static_cast<QWidget*>(watched);
  return widget->window() == window_.data();
}

}  // namespace nimbo::shell
