// The program and its system on POSIX: signals, shared libraries, sleeping
// and the user's folders.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "link/platform/Console.h"
#include "link/platform/DynamicLibrary.h"
#include "link/platform/PreciseSleep.h"
#include "link/platform/StopHold.h"
#include "link/platform/StopNotifier.h"
#include "link/platform/UserFolders.h"

namespace nimbo::platform {

// --- DynamicLibrary ---

std::optional<DynamicLibrary> DynamicLibrary::Load(const std::string& name, SystemError& error) {
  void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* text = ::dlerror();
    error.text = text != nullptr ? text : "cannot be loaded";
    // The loader keeps no errno; it ends its text with the system's words
    // for the failed open, in the same language as strerror.
    const std::string_view notFound = std::strerror(ENOENT);
    error.kind = std::string_view(error.text).ends_with(notFound) ? SystemError::Kind::NotFound
                                                                  : SystemError::Kind::Other;
    return std::nullopt;
  }
  return DynamicLibrary(reinterpret_cast<std::intptr_t>(handle));
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, 0)) {}

DynamicLibrary::~DynamicLibrary() {
  if (handle_ != 0) {
    ::dlclose(reinterpret_cast<void*>(handle_));
  }
}

DynamicLibrary::Function DynamicLibrary::Find(const char* symbol) const {
  return reinterpret_cast<Function>(::dlsym(reinterpret_cast<void*>(handle_), symbol));
}

// --- StopNotifier ---
// The handler only writes the signal's number into a pipe; a thread reads it
// and makes the call.

namespace {

std::atomic<int> gStopPipe{-1};  // written by the signal handler

extern "C" void OnStopSignal(int signal) {
  const int saved = errno;
  const int fd = gStopPipe.load();
  if (fd >= 0) {
    const auto byte = static_cast<unsigned char>(signal);
    static_cast<void>(::write(fd, &byte, 1));  // async-signal-safe
  }
  errno = saved;
}

int SignalOf(StopRequest request) {
  switch (request) {
    case StopRequest::Interrupt:
      return SIGINT;
    case StopRequest::Terminate:
      return SIGTERM;
    case StopRequest::HangUp:
      return SIGHUP;
    case StopRequest::Quit:
      return SIGQUIT;
  }
  return SIGTERM;
}

constexpr unsigned char kEndOfWatch = 0;  // no signal has number 0

// A signal the program was started to ignore (nohup, a script's job in the
// background): the user asked for that, so neither a notifier nor a hold
// takes it over.
bool IgnoredSinceStart(int signal) {
  struct sigaction current {};
  return ::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN;
}

}  // namespace

struct StopNotifier::State {
  int fds[2] = {-1, -1};  // [0] read by the watcher, [1] written by the handler
  std::vector<std::pair<int, struct sigaction>> previous;
  std::thread watcher;
};

StopNotifier::StopNotifier(std::initializer_list<StopRequest> requests,
                           std::function<void(StopRequest)> onRequest)
    : state_(std::make_unique<State>()) {
  if (::pipe2(state_->fds, O_CLOEXEC) != 0) {
    state_->fds[0] = state_->fds[1] = -1;
    return;  // the default actions stay
  }
  // A burst of signals that fills the pipe is dropped, not waited on.
  ::fcntl(state_->fds[1], F_SETFL, O_NONBLOCK);
  std::vector<std::pair<int, StopRequest>> caught;
  for (const StopRequest request : requests) {
    if (!IgnoredSinceStart(SignalOf(request))) {
      caught.emplace_back(SignalOf(request), request);
    }
  }
  state_->watcher = std::thread([fd = state_->fds[0], caught, onRequest = std::move(onRequest)] {
    unsigned char byte = 0;
    while (true) {
      const ssize_t got = ::read(fd, &byte, 1);
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got != 1 || byte == kEndOfWatch) {
        return;
      }
      for (const auto& [signal, request] : caught) {
        if (signal == byte && onRequest) {
          onRequest(request);
        }
      }
    }
  });
  gStopPipe.store(state_->fds[1]);
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const auto& [signal, request] : caught) {
    struct sigaction old {};
    ::sigaction(signal, &action, &old);
    state_->previous.emplace_back(signal, old);
  }
}

StopNotifier::~StopNotifier() {
  if (state_->fds[0] < 0) {
    return;
  }
  for (const auto& [signal, old] : state_->previous) {
    ::sigaction(signal, &old, nullptr);
  }
  gStopPipe.store(-1);
  while (::write(state_->fds[1], &kEndOfWatch, 1) != 1) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));  // a full pipe drains
  }
  state_->watcher.join();
  ::close(state_->fds[0]);
  ::close(state_->fds[1]);
}

bool StopNotifier::Active() const {
  return state_->fds[0] >= 0;
}

int ExitStatusFor(StopRequest request) {
  return 128 + SignalOf(request);
}

std::string_view NameOf(StopRequest request) {
  switch (request) {
    case StopRequest::Interrupt:
      return "SIGINT";
    case StopRequest::Terminate:
      return "SIGTERM";
    case StopRequest::HangUp:
      return "SIGHUP";
    case StopRequest::Quit:
      return "SIGQUIT";
  }
  return "SIGTERM";
}

void EndAs(StopRequest request) {
  const int signal = SignalOf(request);
  if (request == StopRequest::Quit) {
    // A core image of a program that ended as asked helps nobody.
    const struct rlimit none {};
    ::setrlimit(RLIMIT_CORE, &none);
  }
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  ::sigaction(signal, &fallback, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  ::raise(signal);
  std::_Exit(ExitStatusFor(request));  // only if the signal could not end the program
}

// --- StopHold ---
// The handler keeps the number of the first held signal, and nothing else.

namespace {

std::atomic<int> gHeldSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "written by a signal handler");

struct HeldSignal {
  int signal;
  struct sigaction previous;
};
std::vector<HeldSignal> gHeld;  // what each held signal did before

extern "C" void OnHeldSignal(int signal) {
  int none = 0;
  gHeldSignal.compare_exchange_strong(none, signal);
}

}  // namespace

StopHold::StopHold(std::initializer_list<StopRequest> requests) {
  gHeldSignal.store(0);
  gHeld.clear();
  struct sigaction hold {};
  hold.sa_handler = OnHeldSignal;
  sigemptyset(&hold.sa_mask);
  hold.sa_flags = SA_RESTART;  // a call the signal interrupts goes on
  for (const StopRequest request : requests) {
    const int signal = SignalOf(request);
    struct sigaction previous {};
    if (IgnoredSinceStart(signal)) {
      continue;
    }
    if (::sigaction(signal, &hold, &previous) == 0) {
      gHeld.push_back({signal, previous});
    }
  }
}

StopHold::~StopHold() {
  for (const HeldSignal& held : gHeld) {
    ::sigaction(held.signal, &held.previous, nullptr);
  }
  gHeld.clear();
}

std::optional<StopRequest> StopHold::First() const {
  const int signal = gHeldSignal.load();
  for (const StopRequest request :
       {StopRequest::Interrupt, StopRequest::Terminate, StopRequest::HangUp, StopRequest::Quit}) {
    if (SignalOf(request) == signal) {
      return request;
    }
  }
  return std::nullopt;
}

void IgnoreBrokenPipes() {
  std::signal(SIGPIPE, SIG_IGN);
}

void EndOnStopRequests() {
  // The signals' own action does it.
}

// --- Console ---

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return {argv + std::min(argc, 1), argv + argc};
}

void UseUtf8Console() {
  // Terminals take the program's bytes as they are.
}

bool IsTerminal(StandardStream stream) {
  return ::isatty(stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

// --- Sleeping and folders ---

void SleepUntil(std::chrono::steady_clock::time_point deadline) {
  std::this_thread::sleep_until(deadline);
}

std::string TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

std::string UserKey() {
  return std::to_string(::getuid());
}

std::string ProgramFile() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : program.string();
}

}  // namespace nimbo::platform
