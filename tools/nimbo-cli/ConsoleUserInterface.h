// How the core reaches the person at a terminal: messages go to the error
// stream as "Title: text", everything meant for a window is dropped.
#pragma once

#include <iosfwd>

#include "link/UserInterface.h"

namespace nimbo::cli {

class ConsoleUserInterface final : public UserInterface {
 public:
  // `realPauses`: pauses really wait (real hardware or a real-time device).
  ConsoleUserInterface(std::ostream& err, bool realPauses) : err_(err), realPauses_(realPauses) {}

  void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) override;
  void Beep() override {}
  void SetStatusText(std::string_view) override {}
  void SetProgress(int, int) override {}
  void ProcessEvents() override {}
  void Sleep(int milliseconds) override;

 private:
  std::ostream& err_;
  bool realPauses_;
};

}  // namespace nimbo::cli
