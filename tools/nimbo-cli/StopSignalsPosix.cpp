// Stop requests on a system with POSIX signals.
#include <csignal>

#include <array>
#include <atomic>

#include "StopSignals.h"

namespace nimbo::cli {
namespace {

constexpr std::array<int, 4> kStopSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The one piece of process-wide state a signal handler can reach: the first
// held request (0 = none).
std::atomic<int> firstRequest{0};
static_assert(std::atomic<int>::is_always_lock_free, "written by a signal handler");

// What each signal did before the hold, put back when it ends.
std::array<struct sigaction, kStopSignals.size()> previous{};

extern "C" void RememberRequest(int signal) {
  int none = 0;
  firstRequest.compare_exchange_strong(none, signal);
}

}  // namespace

void IgnoreBrokenPipe() {
  std::signal(SIGPIPE, SIG_IGN);
}

HeldStopRequests::HeldStopRequests() {
  firstRequest.store(0);
  struct sigaction hold {};
  hold.sa_handler = RememberRequest;
  sigemptyset(&hold.sa_mask);
  // Calls the request interrupts go on: the write must not fail for it.
  hold.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
    sigaction(kStopSignals[i], &hold, &previous[i]);
  }
}

HeldStopRequests::~HeldStopRequests() {
  for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
    sigaction(kStopSignals[i], &previous[i], nullptr);
  }
}

int HeldStopRequests::First() const {
  return firstRequest.load();
}

const char* StopRequestName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    case SIGQUIT:
      return "SIGQUIT";
    default:
      return "a stop request";
  }
}

}  // namespace nimbo::cli
