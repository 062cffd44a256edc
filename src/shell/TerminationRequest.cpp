#include "shell/TerminationRequest.h"

#include <QMetaObject>
#include <utility>

namespace nimbo::shell {

TerminationRequest::TerminationRequest(std::function<bool()> carryOut, int retryMs, QObject* parent)
    : QObject(parent), carryOut_(std::move(carryOut)) {
  retry_.setInterval(retryMs);
  connect(&retry_, &QTimer::timeout, this, &TerminationRequest::Offer);
  // The notifier calls from a thread of its own; the request is carried out
  // on this object's thread.
  notifier_ = std::make_unique<platform::StopNotifier>(
      std::initializer_list<platform::StopRequest>{platform::StopRequest::Terminate,
                                                   platform::StopRequest::Interrupt},
      [this](platform::StopRequest) {
        QMetaObject::invokeMethod(this, &TerminationRequest::Arrived, Qt::QueuedConnection);
      });
}

TerminationRequest::~TerminationRequest() {
  notifier_.reset();  // no call arrives after this
}

void TerminationRequest::Arrived() {
  received_ = true;
  Offer();
}

void TerminationRequest::Offer() {
  if (offering_) {
    return;  // a second request while the first is being carried out
  }
  offering_ = true;
  const bool done = !carryOut_ || carryOut_();
  offering_ = false;
  if (done) {
    retry_.stop();
  } else if (!retry_.isActive()) {
    retry_.start();
  }
}

}  // namespace nimbo::shell
