// Keeps a window still while a device transfer runs.
//
// The link lets pending window events run while it waits for a reply, so a
// click could otherwise start a second transfer on the same link, navigate
// away from the window or close it under the running transfer. While a guard
// lives, `busy` is true and every mouse, key, wheel, touch, input method and
// drag-and-drop event aimed at the window is ignored; the window keeps
// painting.
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace nimbo::shell {

class TransferGuard : public QObject {
  Q_OBJECT

 public:
  TransferGuard(QWidget& window, bool& busy);
  ~TransferGuard() override;
  TransferGuard(const TransferGuard&) = delete;
  TransferGuard& operator=(const TransferGuard&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> window_;
  bool& busy_;
};

}  // namespace nimbo::shell
