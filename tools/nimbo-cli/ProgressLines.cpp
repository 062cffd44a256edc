#include "ProgressLines.h"

#include <charconv>
#include <iostream>
#include <ostream>

#include "link/platform/Console.h"

namespace nimbo::cli {

void ProgressLines::ShowMessage(std::string_view text, std::string_view, MessageIcon) {
  messages.emplace_back(text);
}

void ProgressLines::SetStatusText(std::string_view text) {
  if (!text.starts_with(prefix_)) {
    EndProgressLine();
    err_ << text << '\n';
    return;
  }
  if (terminal_) {
    err_ << '\r' << text << std::flush;
    inLine_ = true;
    return;
  }
  const std::string_view digits = text.substr(prefix_.size());
  int percent = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), percent);
  if (percent / 10 != lastTenth_) {
    lastTenth_ = percent / 10;
    err_ << text << '\n';
  }
}

void ProgressLines::EndProgressLine() {
  if (inLine_) {
    err_ << '\n';
    inLine_ = false;
  }
}

bool IsTerminal(const std::ostream& err) {
  return &err == &std::cerr && platform::IsTerminal(platform::StandardStream::Error);
}

}  // namespace nimbo::cli
