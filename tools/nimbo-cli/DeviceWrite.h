// The span of a command from its first write to the device until the
// operation ends. Stop requests are held meanwhile (StopSignals.h): the
// first one is answered at once with one line saying what is being finished
// and about how long that takes, and the program then ends as the request
// asked, with status 128 + the signal's number (see Context).
#pragma once

#include <string>

#include "Context.h"
#include "ProgressLines.h"
#include "StopSignals.h"

namespace nimbo::cli {

class DeviceWrite final : public UserInterface {
 public:
  // How long an operation takes on the device, about: `seconds` shortened by
  // the progress it reports, then `afterProgress` once that is complete.
  struct Duration {
    double seconds = 0.0;
    double afterProgress = 0.0;
  };

  // `what` names the operation ("the firmware update"); `risk` says what
  // stopping it part-way would do. `progress`, when given, is the line a
  // request's answer must not run into.
  DeviceWrite(Context& context, NIMBOmodule& module, std::string what, std::string risk,
              Duration duration, ProgressLines* progress = nullptr);
  ~DeviceWrite() override;
  DeviceWrite(const DeviceWrite&) = delete;
  DeviceWrite& operator=(const DeviceWrite&) = delete;

  void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) override {
    inner_.ShowMessage(text, title, icon);
  }
  void Beep() override { inner_.Beep(); }
  void SetStatusText(std::string_view text) override { inner_.SetStatusText(text); }
  void SetProgress(int value, int maximum) override;
  // Where the core yields during its exchanges: a request is answered here.
  void ProcessEvents() override;
  void Sleep(int milliseconds) override { inner_.Sleep(milliseconds); }

 private:
  void AnswerRequest();

  Context& context_;
  UserInterface& inner_;
  std::string what_;
  std::string risk_;
  Duration duration_;
  ProgressLines* progress_;
  double done_ = 0.0;  // share of the operation done, 0..1
  bool answered_ = false;
  HeldStopRequests held_;
  InterfaceSwap swap_;
};

}  // namespace nimbo::cli
