// How a long device operation (flash, verify) shows its progress at a
// terminal, and how a command puts its own user interface between the core
// and the person for the time it runs.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "link/NimboModule.h"

namespace nimbo::cli {

// The status lines that start with `prefix` and end in a percentage become
// progress on the error stream: one line redrawn in place on a terminal,
// else a line every 10 %. Other status lines are printed as they are.
// Message boxes are kept in `messages` for the command to report in its own
// words, not printed.
class ProgressLines final : public UserInterface {
 public:
  ProgressLines(UserInterface& inner, std::ostream& err, bool errIsTerminal,
                std::string_view prefix)
      : inner_(inner), err_(err), terminal_(errIsTerminal), prefix_(prefix) {}

  void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) override;
  void Beep() override { inner_.Beep(); }
  void SetStatusText(std::string_view text) override;
  void SetProgress(int, int) override {}
  void ProcessEvents() override { inner_.ProcessEvents(); }
  void Sleep(int milliseconds) override { inner_.Sleep(milliseconds); }

  // Ends a progress line redrawn in place, so that the next text starts on
  // a line of its own.
  void EndProgressLine();

  std::vector<std::string> messages;  // "text" as the core showed it

 private:
  UserInterface& inner_;
  std::ostream& err_;
  bool terminal_;
  std::string prefix_;
  bool inLine_ = false;
  int lastTenth_ = -1;
};

// Whether `err` is the process's standard error and that is a terminal.
bool IsTerminal(const std::ostream& err);

// Gives the module another user interface for as long as it exists.
class InterfaceSwap {
 public:
  InterfaceSwap(NIMBOmodule& module, UserInterface& replacement)
      : module_(module), previous_(module.Ui()) {
    module_.SetUserInterface(replacement);
  }
  ~InterfaceSwap() { module_.SetUserInterface(previous_); }
  InterfaceSwap(const InterfaceSwap&) = delete;
  InterfaceSwap& operator=(const InterfaceSwap&) = delete;

 private:
  NIMBOmodule& module_;
  UserInterface& previous_;
};

}  // namespace nimbo::cli
