#include "StopSignals.h"

#include <cstdlib>
#include <optional>

namespace nimbo::cli {
namespace {

using platform::StopRequest;

constexpr StopRequest kStopRequests[] = {StopRequest::Interrupt, StopRequest::Terminate,
                                         StopRequest::HangUp, StopRequest::Quit};

// The number of the signal `request` stands for, on every system.
int NumberOf(StopRequest request) {
  return platform::ExitStatusFor(request) - 128;
}

// The last request that was held, as a signal number: the one ExitWith
// carries out.
int heldLast = 0;

}  // namespace

void IgnoreBrokenPipe() {
  platform::IgnoreBrokenPipes();
}

HeldStopRequests::HeldStopRequests()
    : hold_({StopRequest::Interrupt, StopRequest::Terminate, StopRequest::HangUp,
             StopRequest::Quit}) {}

HeldStopRequests::~HeldStopRequests() {
  if (const int signal = First(); signal != 0) {
    heldLast = signal;
  }
}

int HeldStopRequests::First() const {
  const std::optional<StopRequest> request = hold_.First();
  return request ? NumberOf(*request) : 0;
}

std::string StopRequestName(int signal) {
  for (const StopRequest request : kStopRequests) {
    if (NumberOf(request) == signal) {
      return std::string(platform::NameOf(request));
    }
  }
  return "a stop request";
}

void ExitWith(int status) {
  for (const StopRequest request : kStopRequests) {
    if (heldLast == NumberOf(request) && status == platform::ExitStatusFor(request)) {
      platform::EndAs(request);
    }
  }
  std::exit(status);
}

}  // namespace nimbo::cli
