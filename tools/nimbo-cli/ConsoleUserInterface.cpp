#include "ConsoleUserInterface.h"

#include <chrono>
#include <ostream>
#include <thread>

namespace nimbo::cli {

void ConsoleUserInterface::ShowMessage(std::string_view text, std::string_view title, MessageIcon) {
  // Message texts may span lines; the terminal shows them as they are.
  if (title.empty()) {
    err_ << text << '\n';
  } else {
    err_ << title << ": " << text << '\n';
  }
}

void ConsoleUserInterface::Sleep(int milliseconds) {
  if (realPauses_ && milliseconds > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

}  // namespace nimbo::cli
