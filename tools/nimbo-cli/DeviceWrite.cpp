#include "DeviceWrite.h"

#include <cmath>
#include <ostream>

namespace nimbo::cli {

DeviceWrite::DeviceWrite(Context& context, NIMBOmodule& module, std::string what, std::string risk,
                         Duration duration, ProgressLines* progress)
    : context_(context),
      inner_(module.Ui()),
      what_(std::move(what)),
      risk_(std::move(risk)),
      duration_(duration),
      progress_(progress),
      swap_(module, *this) {}

DeviceWrite::~DeviceWrite() {
  AnswerRequest();
  if (const int signal = held_.First(); signal != 0) {
    context_.EndAfterCommand(signal, what_);
  }
}

void DeviceWrite::SetProgress(int value, int maximum) {
  if (maximum > 0) {
    done_ = static_cast<double>(value) / maximum;
  }
  inner_.SetProgress(value, maximum);
}

void DeviceWrite::ProcessEvents() {
  inner_.ProcessEvents();
  AnswerRequest();
}

void DeviceWrite::AnswerRequest() {
  const int signal = held_.First();
  if (signal == 0 || answered_) {
    return;
  }
  answered_ = true;
  if (progress_ != nullptr) {
    progress_->EndProgressLine();
  }
  const double left = duration_.seconds * (1.0 - done_) + duration_.afterProgress;
  const std::string time = left < 1.0
                               ? "under a second"
                               : "about " + std::to_string(std::lround(std::ceil(left))) + " s";
  context_.Fail(std::string(StopRequestName(signal)) + ": finishing " + what_ + " first, " + time +
                " (" + risk_ + ")");
}

}  // namespace nimbo::cli
