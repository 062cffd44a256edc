// stop-probe: catches every stop request, says "ready", and prints the exit
// status of the first request that arrives ("request 130" for SIGINT or
// Ctrl+C); for stop_request_test.sh, which sends the requests.
#include <atomic>
#include <chrono>
#include <iostream>
#include <thread>

#include "link/platform/StopNotifier.h"

int main() {
  using namespace nimbo::platform;
  std::atomic<int> status{-1};
  const StopNotifier notifier(
      {StopRequest::Interrupt, StopRequest::Terminate, StopRequest::HangUp, StopRequest::Quit},
      [&status](StopRequest request) {
        int none = -1;
        status.compare_exchange_strong(none, ExitStatusFor(request));
      });
  std::cout << (notifier.Active() ? "ready" : "not active") << std::endl;
  for (int i = 0; i < 2000 && status < 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::cout << "request " << status << std::endl;
  return status < 0 ? 1 : 0;
}
