// The few ways in which the core reaches the person using the program.
//
// The desktop program implements these with Qt widgets; the command-line
// tool writes to the terminal; tests record every call.
#pragma once

#include <string_view>

namespace nimbo {

enum class MessageIcon { None, Information, Warning, Critical };

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // A message box with an OK button only; returns once it is dismissed.
  virtual void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) = 0;
  // The system beep.
  virtual void Beep() = 0;
  // The current window's status line.
  virtual void SetStatusText(std::string_view text) = 0;
  // A progress bar from 0 to `maximum`.
  virtual void SetProgress(int value, int maximum) = 0;
  // Lets pending user-interface events run (keeps the windows responsive
  // during a device exchange).
  virtual void ProcessEvents() = 0;
  // A blocking pause.
  virtual void Sleep(int milliseconds) = 0;
};

// Ignores everything; for tools that have nobody to tell.
class SilentUserInterface final : public UserInterface {
 public:
  void ShowMessage(std::string_view, std::string_view, MessageIcon) override {}
  void Beep() override {}
  void SetStatusText(std::string_view) override {}
  void SetProgress(int, int) override {}
  void ProcessEvents() override {}
  void Sleep(int) override {}
};

}  // namespace nimbo
