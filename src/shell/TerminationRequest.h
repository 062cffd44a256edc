// Turns SIGTERM and SIGINT into a call on the user-interface thread, so that
// the program ends as if the user had closed its window.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace nimbo::shell {

class TerminationRequest final : public QObject {
  Q_OBJECT

 public:
  // Only one may exist at a time: the signal handler writes to its pipe.
  explicit TerminationRequest(std::function<void()> onRequest, QObject* parent = nullptr);
  ~TerminationRequest() override;

 private:
  void Drain();

  std::function<void()> onRequest_;
  int fds_[2] = {-1, -1};  // [0] read by the notifier, [1] written by the handler
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace nimbo::shell
