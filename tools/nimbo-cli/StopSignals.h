// Requests from outside to stop nimbo-cli: SIGINT (Ctrl+C), SIGTERM, SIGHUP
// (the terminal closed) and SIGQUIT; on Windows Ctrl+C, Ctrl+Break, the
// console window closing and the end of the session, numbered here as the
// signals they stand for (Ctrl+C as SIGINT, 2). Normally one ends the
// program at once. While a device write runs they are held instead: the
// write is carried to its end, since one stopped part-way leaves the device
// with half of it, and the program then ends as the request asked.
// A request the program was started to ignore (nohup) stays ignored.
#pragma once

#include <string>

#include "link/platform/StopHold.h"

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

 private:
  platform::StopHold hold_;
};

// "SIGTERM" for SIGTERM, and so on ("Ctrl+C" for 2 on Windows).
std::string StopRequestName(int signal);

// Ends the program with `status`, main's result. A status that reports a
// request held during a device write (128 + its number, from RunCli) ends it
// as that request would have ended it unheld: on POSIX by the signal itself,
// so that a calling shell learns that the program was stopped and stops too.
[[noreturn]] void ExitWith(int status);

}  // namespace nimbo::cli
