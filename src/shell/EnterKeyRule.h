// Enter on a focused push button presses it, in every window of the program,
// as Space does. Only the focused button: Enter pressed anywhere else never
// reaches a button, so a stray Enter cannot start a flash or a write.
#pragma once

#include <QObject>

class QCoreApplication;

namespace nimbo::shell {

class EnterKeyRule final : public QObject {
  Q_OBJECT

 public:
  // Watches every key press of `app` for as long as the rule lives.
  explicit EnterKeyRule(QCoreApplication& app);
  ~EnterKeyRule() override;
  EnterKeyRule(const EnterKeyRule&) = delete;
  EnterKeyRule& operator=(const EnterKeyRule&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QCoreApplication& app_;
};

}  // namespace nimbo::shell
