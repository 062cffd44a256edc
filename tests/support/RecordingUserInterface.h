// A user interface for tests: remembers every call and never waits.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "link/UserInterface.h"

namespace nimbo::test {

struct RecordedMessage {
  std::string text;
  std::string title;
  MessageIcon icon = MessageIcon::None;
};

class RecordingUserInterface final : public UserInterface {
 public:
  void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) override {
    messages.push_back({std::string(text), std::string(title), icon});
  }
  void Beep() override { ++beeps; }
  void SetStatusText(std::string_view text) override {
    statusTexts.emplace_back(text);
    if (shown != nullptr) {
      shown->SetStatusText(text);
    }
  }
  void SetProgress(int value, int maximum) override {
    progress.emplace_back(value, maximum);
    if (shown != nullptr) {
      shown->SetProgress(value, maximum);
    }
  }
  void ProcessEvents() override {
    ++processEventsCount;
    if (onProcessEvents) {
      onProcessEvents();
    }
  }
  // Records the pause; tests never sleep.
  void Sleep(int milliseconds) override {
    sleeps.push_back(milliseconds);
    if (onSleep) {
      onSleep();
    }
  }

  // Each message as "text | title".
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& message : messages) {
      texts.push_back(message.text + " | " + message.title);
    }
    return texts;
  }
  // The last status text, or "" when none was set.
  std::string LastStatus() const {
    return statusTexts.empty() ? std::string() : statusTexts.back();
  }

  std::vector<RecordedMessage> messages;
  int beeps = 0;
  std::vector<std::string> statusTexts;
  std::vector<std::pair<int, int>> progress;  // (value, maximum)
  int processEventsCount = 0;
  std::vector<int> sleeps;
  // Runs inside ProcessEvents: lets a test act in the middle of an exchange,
  // as a click would.
  std::function<void()> onProcessEvents;
  std::function<void()> onSleep;
  // Also shows the status texts and the progress, as in a window.
  UserInterface* shown = nullptr;
};

}  // namespace nimbo::test
