#include "shell/ModalDialog.h"

#include <QApplication>
#include <QPointer>

namespace nimbo::shell {

int RunModal(QDialog& dialog) {
  const QPointer<QWidget> owner = QApplication::activeWindow();
  const int result = dialog.exec();
  if (owner && owner->isVisible()) {
    owner->activateWindow();
  }
  return result;
}

}  // namespace nimbo::shell
