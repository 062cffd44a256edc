// The requests to stop that the system delivers to a program: on POSIX the
// signals, on Windows the console's control events. While a StopNotifier
// exists they do not end the program; each is handed to a function instead,
// so that a device write in progress can finish first.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string_view>

namespace nimbo::platform {

enum class StopRequest {
  Interrupt,  // SIGINT; Ctrl+C
  Terminate,  // SIGTERM; Windows logging off or shutting down
  HangUp,     // SIGHUP; the console window closed
  Quit,       // SIGQUIT; Ctrl+Break
};

class StopNotifier {
 public:
  // Catches `requests` from now on and calls `onRequest` for each, on a
  // thread of its own (never inside a signal handler). A request the program
  // was started to ignore (nohup) stays ignored, as with StopHold. Only one
  // may exist at a time.
  StopNotifier(std::initializer_list<StopRequest> requests,
               std::function<void(StopRequest)> onRequest);
  // The system's own handling again; no call of `onRequest` runs afterwards.
  ~StopNotifier();
  StopNotifier(const StopNotifier&) = delete;
  StopNotifier& operator=(const StopNotifier&) = delete;

  // False when the system refused to hand the requests over.
  bool Active() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// The exit status of a program that ends because of `request`, as a shell
// expects it (128 + the signal's number on POSIX; the same on Windows, for
// scripts that run on both).
int ExitStatusFor(StopRequest request);

// The name a user knows `request` by: "SIGINT" on POSIX, "Ctrl+C" on Windows.
std::string_view NameOf(StopRequest request);

// Ends the program as `request` ends one that does not catch it, once the
// program has done what it held the request for (StopHold.h). On POSIX the
// signal itself ends it, so that a calling shell sees a program stopped by
// the signal and stops too; on Windows it exits with ExitStatusFor(request).
// Buffered output must be flushed before.
[[noreturn]] void EndAs(StopRequest request);

// Writing to a closed pipe fails with an error instead of ending the program.
void IgnoreBrokenPipes();

// From here on, a request that nothing holds or catches ends the program at
// once with ExitStatusFor(request), as the signal itself does on POSIX (where
// this changes nothing). Left to itself, Windows ends a program on Ctrl+C
// with a status of its own, and Wine with 0, which a script takes for success.
void EndOnStopRequests();

}  // namespace nimbo::platform
