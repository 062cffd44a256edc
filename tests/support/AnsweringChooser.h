// Answers the firmware file dialog as a test tells it to; nothing: cancelled.
#pragma once

#include <optional>
#include <string>

#include "flasher/FirmwareChooser.h"

namespace nimbo::test {

class AnsweringChooser final : public flasher::FirmwareFileChooser {
 public:
  std::optional<std::string> ChooseFirmwareFile() override {
    ++asked;
    return answer;
  }
  std::optional<std::string> answer;
  int asked = 0;
};

}  // namespace nimbo::test
