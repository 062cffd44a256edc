// The core's UserInterface in the desktop program: message boxes, the system
// beep, the current window's status line and progress bar, and pauses.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QProgressBar>

#include "link/Clock.h"
#include "link/UserInterface.h"

namespace nimbo::shell {

class QtUserInterface final : public UserInterface {
 public:
  // Pauses run on `clock`: the steady clock in the program, a virtual one in
  // tests.
  explicit QtUserInterface(Clock& clock) : clock_(clock) {}

  void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) override;
  void Beep() override;
  void SetStatusText(std::string_view text) override;
  void SetProgress(int value, int maximum) override;
  void ProcessEvents() override;
  void Sleep(int milliseconds) override;

  void SetStatusLabel(QLabel* label) { statusLabel_ = label; }
  void SetProgressBar(QProgressBar* bar) { progressBar_ = bar; }

  // True while a device exchange lets pending events run: whatever a user
  // triggers then runs nested inside that exchange.
  bool InsideExchange() const { return yieldDepth_ > 0; }

 private:
  Clock& clock_;
  QPointer<QLabel> statusLabel_;
  QPointer<QProgressBar> progressBar_;
  int yieldDepth_ = 0;
};

}  // namespace nimbo::shell
