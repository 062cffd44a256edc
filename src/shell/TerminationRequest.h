// Turns the system's requests to stop (SIGTERM and SIGINT; on Windows Ctrl+C
// and logging off) into a call on the user-interface thread, so that the
// program ends as if the user had closed its window. A request the program
// was started to ignore (nohup, a script's job in the background) stays
// ignored.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "link/platform/StopNotifier.h"

namespace nimbo::shell {

class TerminationRequest final : public QObject {
  Q_OBJECT

 public:
  // `carryOut` returns false while it cannot end the program yet (a device
  // transfer runs, or the window refuses to close): the request is then
  // remembered and offered again every `retryMs` until it returns true.
  // Only one may exist at a time: the system has one handler.
  explicit TerminationRequest(std::function<bool()> carryOut, int retryMs = 50,
                              QObject* parent = nullptr);
  ~TerminationRequest() override;

  // True once a request has arrived, carried out or not.
  bool Received() const { return received_; }

 private:
  void Arrived();
  void Offer();

  std::function<bool()> carryOut_;
  QTimer retry_;
  bool received_ = false;
  bool offering_ = false;
  // Last: it calls into this object from its own thread until it is gone.
  std::unique_ptr<platform::StopNotifier> notifier_;
};

}  // namespace nimbo::shell
