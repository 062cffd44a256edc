#include "shell/EnterKeyRule.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace nimbo::shell {

EnterKeyRule::EnterKeyRule(QCoreApplication& app) : app_(app) {
  app_.installEventFilter(this);
}

EnterKeyRule::~EnterKeyRule() {
  app_.removeEventFilter(this);
}

bool EnterKeyRule::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) {
    return false;
  }
  const auto* key = static_cast<const QKeyEvent*>(event);
  if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) {
    return false;
  }
  // The key goes to the focus widget first; a press that a text box passed
  // on to its parents is not aimed at a button.
  auto* button = qobject_cast<QPushButton*>(watched);
  if (button == nullptr || !button->hasFocus()) {
    return false;
  }
  // A dialog would press its focused button itself, once per repeat: the
  // rule presses it here, once for each time the key goes down.
  if (!key->isAutoRepeat() && button->isEnabled() && button->isVisible()) {
    button->click();
  }
  return true;
}

}  // namespace nimbo::shell
