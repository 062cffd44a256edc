// The program and its system on Windows: console control events, libraries
// loaded at run time, a high-resolution sleep and the user's folders.
#include <windows.h>
// After windows.h, which they build on.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "link/platform/Console.h"
#include "link/platform/DynamicLibrary.h"
#include "link/platform/PreciseSleep.h"
#include "link/platform/StopHold.h"
#include "link/platform/StopNotifier.h"
#include "link/platform/UserFolders.h"
#include "link/platform/windows/WideText.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace nimbo::platform {

// --- DynamicLibrary ---

std::optional<DynamicLibrary> DynamicLibrary::Load(const std::string& name, SystemError& error) {
  const std::optional<std::wstring> wide = WidePath(name, error);
  if (!wide) {
    return std::nullopt;
  }
  // A bare name is looked for beside the program and in the system's
  // folders, never in the working folder, where anyone may have put a DLL.
  const bool bare = name.find_first_of("/\\") == std::string::npos;
  // No message box about a library that cannot be loaded: the caller says it.
  DWORD previousMode = 0;
  ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
  const HMODULE module =
      ::LoadLibraryExW(wide->c_str(), nullptr, bare ? LOAD_LIBRARY_SEARCH_DEFAULT_DIRS : 0);
  if (module == nullptr) {
    error = LastSystemError(name);
  }
  ::SetThreadErrorMode(previousMode, nullptr);
  if (module == nullptr) {
    return std::nullopt;
  }
  return DynamicLibrary(reinterpret_cast<std::intptr_t>(module));
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, 0)) {}

DynamicLibrary::~DynamicLibrary() {
  if (handle_ != 0) {
    ::FreeLibrary(reinterpret_cast<HMODULE>(handle_));
  }
}

DynamicLibrary::Function DynamicLibrary::Find(const char* symbol) const {
  return reinterpret_cast<Function>(::GetProcAddress(reinterpret_cast<HMODULE>(handle_), symbol));
}

// --- StopNotifier ---
// The system calls the console control handler on a thread of its own, so
// the handler makes the call itself, under a lock that the notifier's end
// also takes.

struct StopNotifier::State {
  std::vector<StopRequest> caught;
  std::function<void(StopRequest)> onRequest;
  bool registered = false;
};

namespace {

struct Handling {
  std::mutex mutex;
  std::condition_variable ended;  // the current notifier went away
  StopNotifier::State* current = nullptr;
};

Handling& TheHandling() {
  static Handling handling;
  return handling;
}

// The request a console control event stands for.
std::optional<StopRequest> RequestOf(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      return StopRequest::Interrupt;
    case CTRL_BREAK_EVENT:
      return StopRequest::Quit;
    case CTRL_CLOSE_EVENT:
      return StopRequest::HangUp;
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      return StopRequest::Terminate;
    default:
      return std::nullopt;
  }
}

// Closing the console window, logging off and shutting down end the program
// as soon as the handler returns (and at the latest a few seconds after the
// event).
bool EndsWhenHandled(StopRequest request) {
  return request == StopRequest::HangUp || request == StopRequest::Terminate;
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  const std::optional<StopRequest> named = RequestOf(event);
  if (!named) {
    return FALSE;
  }
  const StopRequest request = *named;
  Handling& handling = TheHandling();
  std::unique_lock lock(handling.mutex);
  StopNotifier::State* state = handling.current;
  if (state == nullptr ||
      std::find(state->caught.begin(), state->caught.end(), request) == state->caught.end()) {
    return FALSE;  // the next handler, in the end the system's: the program ends
  }
  state->onRequest(request);
  if (EndsWhenHandled(request)) {
    // Held until the notifier is gone.
    handling.ended.wait(lock, [&] { return handling.current != state; });
  }
  return TRUE;
}

}  // namespace

StopNotifier::StopNotifier(std::initializer_list<StopRequest> requests,
                           std::function<void(StopRequest)> onRequest)
    : state_(std::make_unique<State>()) {
  state_->caught.assign(requests.begin(), requests.end());
  state_->onRequest = std::move(onRequest);
  {
    std::lock_guard lock(TheHandling().mutex);
    TheHandling().current = state_.get();
  }
  state_->registered = ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
}

StopNotifier::~StopNotifier() {
  if (state_->registered) {
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  }
  {
    std::lock_guard lock(TheHandling().mutex);
    TheHandling().current = nullptr;
  }
  TheHandling().ended.notify_all();
}

bool StopNotifier::Active() const {
  return state_->registered;
}

int ExitStatusFor(StopRequest request) {
  // As a POSIX shell reports the matching signal, for scripts that run on
  // both systems.
  switch (request) {
    case StopRequest::Interrupt:
      return 128 + 2;
    case StopRequest::Terminate:
      return 128 + 15;
    case StopRequest::HangUp:
      return 128 + 1;
    case StopRequest::Quit:
      return 128 + 3;
  }
  return 1;
}

std::string_view NameOf(StopRequest request) {
  switch (request) {
    case StopRequest::Interrupt:
      return "Ctrl+C";
    case StopRequest::Terminate:
      return "the end of the session";
    case StopRequest::HangUp:
      return "the console window closing";
    case StopRequest::Quit:
      return "Ctrl+Break";
  }
  return "a stop request";
}

void EndAs(StopRequest request) {
  std::exit(ExitStatusFor(request));
}

// --- StopHold ---
// The console calls the handler on a thread of its own. A request is only
// remembered; where the program would end once the handler returns, the
// handler waits for it to end by itself instead.

namespace {

// The first held request plus one; 0 when none has come.
std::atomic<int> gHeldRequest{0};
std::atomic<unsigned> gHeldMask{0};  // the requests held, one bit each

unsigned Bit(StopRequest request) {
  return 1u << static_cast<unsigned>(request);
}

BOOL WINAPI OnHeldEvent(DWORD event) {
  const std::optional<StopRequest> request = RequestOf(event);
  if (!request || (gHeldMask.load() & Bit(*request)) == 0) {
    return FALSE;  // the next handler's, in the end the system's
  }
  int none = 0;
  gHeldRequest.compare_exchange_strong(none, static_cast<int>(*request) + 1);
  if (EndsWhenHandled(*request)) {
    ::Sleep(INFINITE);
  }
  return TRUE;
}

// Windows ends a program about 5 s after its console window was closed,
// whatever the handler does, and a write to the device may take longer: so
// while a close is held, the window's close item (and with it the title
// bar's close button) is greyed out. The system menu greyed, where one was;
// nullptr without a console window (a pipe, Wine) or a menu.
HMENU gGreyedMenu = nullptr;

void GreyConsoleClose() {
  const HWND console = ::GetConsoleWindow();
  const HMENU menu = console != nullptr ? ::GetSystemMenu(console, FALSE) : nullptr;
  // The item's state before; -1 when the menu has no close item.
  if (menu != nullptr && ::EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED) == MF_ENABLED) {
    gGreyedMenu = menu;
  }
}

void RestoreConsoleClose() {
  if (gGreyedMenu != nullptr) {
    ::EnableMenuItem(gGreyedMenu, SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
    gGreyedMenu = nullptr;
  }
}

}  // namespace

StopHold::StopHold(std::initializer_list<StopRequest> requests) {
  gHeldRequest.store(0);
  unsigned mask = 0;
  for (const StopRequest request : requests) {
    mask |= Bit(request);
  }
  // Ctrl+C ignored since the start (a process group started so) never
  // reaches a handler, so it stays ignored by itself.
  gHeldMask.store(mask);
  ::SetConsoleCtrlHandler(OnHeldEvent, TRUE);
  if ((mask & Bit(StopRequest::HangUp)) != 0) {
    GreyConsoleClose();
  }
}

StopHold::~StopHold() {
  RestoreConsoleClose();
  gHeldMask.store(0);
  ::SetConsoleCtrlHandler(OnHeldEvent, FALSE);
}

std::optional<StopRequest> StopHold::First() const {
  const int held = gHeldRequest.load();
  if (held == 0) {
    return std::nullopt;
  }
  return static_cast<StopRequest>(held - 1);
}

void IgnoreBrokenPipes() {
  // Nothing to do: Windows reports a write to a closed pipe as an error.
}

namespace {

// Called last, after any holder's or notifier's handler has passed the event
// on; ends the program as the system's own handler would, on this thread.
BOOL WINAPI OnUnheldEvent(DWORD event) {
  const std::optional<StopRequest> request = RequestOf(event);
  if (!request) {
    return FALSE;
  }
  ::ExitProcess(static_cast<UINT>(ExitStatusFor(*request)));
}

}  // namespace

void EndOnStopRequests() {
  ::SetConsoleCtrlHandler(OnUnheldEvent, TRUE);
}

// --- Console ---

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) {
    return {argv + std::min(argc, 1), argv + argc};
  }
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) {
    arguments.push_back(Utf8FromWide(wide[i]));
  }
  ::LocalFree(wide);
  return arguments;
}

namespace {

UINT gConsoleCodePage = 0;  // the console's own, while ours is set

void RestoreConsoleCodePage() {
  ::SetConsoleOutputCP(gConsoleCodePage);
}

}  // namespace

void UseUtf8Console() {
  // Binary: data written to standard output ("-") stays as it is.
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
  const UINT own = ::GetConsoleOutputCP();  // 0 without a console
  if (own != 0 && own != CP_UTF8 && gConsoleCodePage == 0 && ::SetConsoleOutputCP(CP_UTF8)) {
    gConsoleCodePage = own;
    std::atexit(RestoreConsoleCodePage);
  }
}

bool IsTerminal(StandardStream stream) {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE
                                                                          : STD_ERROR_HANDLE),
                          &mode) != 0;
}

// --- Sleeping and folders ---

namespace {

class WaitableTimer {
 public:
  WaitableTimer()
      : handle_(::CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                         TIMER_ALL_ACCESS)) {
    if (handle_ == nullptr) {  // a system without high-resolution timers
      handle_ = ::CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    }
  }
  ~WaitableTimer() {
    if (handle_ != nullptr) {
      ::CloseHandle(handle_);
    }
  }
  WaitableTimer(const WaitableTimer&) = delete;
  WaitableTimer& operator=(const WaitableTimer&) = delete;

  // Waits `hundredNs` units of 100 ns; false when the timer cannot be used.
  bool Wait(LONGLONG hundredNs) {
    LARGE_INTEGER due{};
    due.QuadPart = -hundredNs;  // negative: relative to now
    return handle_ != nullptr && ::SetWaitableTimer(handle_, &due, 0, nullptr, nullptr, FALSE) &&
           ::WaitForSingleObject(handle_, INFINITE) == WAIT_OBJECT_0;
  }

 private:
  HANDLE handle_;
};

}  // namespace

void SleepUntil(std::chrono::steady_clock::time_point deadline) {
  thread_local WaitableTimer timer;
  while (true) {
    const auto remaining = deadline - std::chrono::steady_clock::now();
    if (remaining <= std::chrono::steady_clock::duration::zero()) {
      return;
    }
    const auto units =
        std::chrono::duration_cast<std::chrono::nanoseconds>(remaining).count() / 100;
    if (!timer.Wait(std::max<LONGLONG>(units, 1))) {
      ::Sleep(static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(remaining).count()));
    }
  }
}

std::string TemporaryFolder() {
  wchar_t folder[MAX_PATH + 2] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  std::wstring text(folder, length <= MAX_PATH + 1 ? length : 0);
  while (!text.empty() && (text.back() == L'\\' || text.back() == L'/')) {
    text.pop_back();
  }
  return Utf8FromWide(text);
}

std::string UserKey() {
  wchar_t name[257] = {};
  DWORD length = 257;
  if (!::GetUserNameW(name, &length) || length == 0) {
    return "user";
  }
  return Utf8FromWide(std::wstring(name, length - 1));  // the count includes the NUL
}

std::string ProgramFile() {
  std::wstring name(MAX_PATH, L'\0');
  while (true) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) {
      return {};
    }
    if (length < name.size()) {  // else cut short: try a longer buffer
      name.resize(length);
      return Utf8FromWide(name);
    }
    name.resize(name.size() * 2);
  }
}

}  // namespace nimbo::platform
