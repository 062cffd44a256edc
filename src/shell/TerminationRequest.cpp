#include "shell/TerminationRequest.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>
#include <utility>

namespace nimbo::shell {
namespace {

volatile std::sig_atomic_t gWriteFd = -1;

extern "C" void OnTerminationSignal(int /*signal*/) {
  const int fd = gWriteFd;
  if (fd >= 0) {
    const char byte = 1;
    static_cast<void>(::write(fd, &byte, 1));  // async-signal-safe
  }
}

}  // namespace

TerminationRequest::TerminationRequest(std::function<bool()> carryOut, int retryMs, QObject* parent)
    : QObject(parent), carryOut_(std::move(carryOut)) {
  retry_.setInterval(retryMs);
  connect(&retry_, &QTimer::timeout, this, &TerminationRequest::Offer);
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds_) != 0) {
    fds_[0] = fds_[1] = -1;
    return;  // no graceful end on signals; the default action still ends the program
  }
  ::fcntl(fds_[1], F_SETFL, O_NONBLOCK);
  notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationRequest::Drain);
  gWriteFd = fds_[1];
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

TerminationRequest::~TerminationRequest() {
  if (fds_[0] >= 0) {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    gWriteFd = -1;
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
}

void TerminationRequest::Drain() {
  char buffer[16];
  static_cast<void>(::read(fds_[0], buffer, sizeof buffer));
  received_ = true;
  Offer();
}

void TerminationRequest::Offer() {
  if (offering_) {
    return;  // a second signal while the first is being carried out
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
