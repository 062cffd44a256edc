// Turns SIGTERM and SIGINT into a call on the user-interface thread, so that
// the program ends as if the user had closed its window.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class QSocketNotifier;

namespace nimbo::shell {

class TerminationRequest final : public QObject {
  Q_OBJECT

 public:
  // `carryOut` returns false while it cannot end the program yet (a device
  // transfer runs, or the window refuses to close): the request is then
  // remembered and offered again every `retryMs` until it returns true.
  // Only one may exist at a time: the signal handler writes to its pipe.
  explicit TerminationRequest(std::function<bool()> carryOut, int retryMs = 50,
                              QObject* parent = nullptr);
  ~TerminationRequest() override;

  // True once a signal has arrived, carried out or not.
  bool Received() const { return received_; }

 private:
  void Drain();
  void Offer();

  std::function<bool()> carryOut_;
  int fds_[2] = {-1, -1};  // [0] read by the notifier, [1] written by the handler
  QSocketNotifier* notifier_ = nullptr;
  QTimer retry_;
  bool received_ = false;
  bool offering_ = false;
};

}  // namespace nimbo::shell
