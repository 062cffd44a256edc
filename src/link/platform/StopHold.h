// Holding the requests to stop (StopNotifier.h) while something runs that
// must not be cut short, such as a write to the device: a request that comes
// meanwhile is only remembered, and the holder carries it out (EndAs) once
// it is done. Unlike StopNotifier, the request is remembered before the
// system's call returns: raise() is known to have landed when it returns.
#pragma once

#include <initializer_list>
#include <optional>

#include "link/platform/StopNotifier.h"

namespace nimbo::platform {

class StopHold {
 public:
  // Holds `requests` from now on. A request the program was started to
  // ignore (nohup, a script's job in the background) stays ignored. Only one
  // may exist at a time.
  explicit StopHold(std::initializer_list<StopRequest> requests);
  // The system's own handling again.
  ~StopHold();
  StopHold(const StopHold&) = delete;
  StopHold& operator=(const StopHold&) = delete;

  // The first request that came while held.
  std::optional<StopRequest> First() const;
};

}  // namespace nimbo::platform
