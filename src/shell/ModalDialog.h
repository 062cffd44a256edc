// Runs a dialog until it is closed, then gives the keyboard back to the
// window that had it. A window manager would do that; without one (a kiosk,
// a bare X server) the keys would otherwise go to no window at all.
#pragma once

#include <QDialog>

namespace nimbo::shell {

// The dialog's result, as QDialog::exec gives it.
int RunModal(QDialog& dialog);

}  // namespace nimbo::shell
