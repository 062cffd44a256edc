#include "shell/QtUserInterface.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>

#include "shell/ModalDialog.h"

namespace nimbo::shell {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon ToQt(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Critical:
      return QMessageBox::Critical;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void QtUserInterface::ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) {
  QMessageBox box(ToQt(icon), FromUtf8(title), FromUtf8(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  RunModal(box);
}

void QtUserInterface::Beep() {
  QApplication::beep();
}

void QtUserInterface::SetStatusText(std::string_view text) {
  if (statusLabel_) {
    statusLabel_->setText(FromUtf8(text));
  }
}

void QtUserInterface::SetProgress(int value, int maximum) {
  if (progressBar_) {
    progressBar_->setMaximum(maximum);
    progressBar_->setValue(value);
  }
}

void QtUserInterface::ProcessEvents() {
  ++yieldDepth_;
  QCoreApplication::processEvents();
  --yieldDepth_;
}

void QtUserInterface::Sleep(int milliseconds) {
  // A blocking pause: no window events run meanwhile.
  clock_.SleepFor(static_cast<Micros>(milliseconds) * 1000);
}

}  // namespace nimbo::shell
