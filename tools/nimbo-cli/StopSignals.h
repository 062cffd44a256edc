// Requests from outside to stop nimbo-cli: SIGINT (Ctrl+C), SIGTERM, SIGHUP
// (the terminal closed) and SIGQUIT. Normally one ends the program at once.
// While a device write runs they are held instead: the write is carried to
// its end, since one stopped part-way leaves the device with half of it.
//
// The system calls live in one file per system (StopSignalsPosix.cpp); on a
// system without signals the console's Ctrl+C, Ctrl+Break and close events
// stand in for them, reported under the numbers of SIGINT and SIGTERM.
#pragma once

namespace nimbo::cli {

// Once at start: output to a closed pipe fails as a write error, which only
// stops the printing, instead of ending the program.
void IgnoreBrokenPipe();

// While the one object of this class exists, stop requests are remembered
// instead of ending the program.
class HeldStopRequests {
 public:
  HeldStopRequests();
  // From here on, a request ends the program at once again.
  ~HeldStopRequests();
  HeldStopRequests(const HeldStopRequests&) = delete;
  HeldStopRequests& operator=(const HeldStopRequests&) = delete;

  // The first request that arrived while held, as a signal number; 0 when
  // none has.
  int First() const;
};

// "SIGTERM" for SIGTERM, and so on.
const char* StopRequestName(int signal);

}  // namespace nimbo::cli
