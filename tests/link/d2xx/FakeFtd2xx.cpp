// A driver library of the project's own in the place of the vendor's D2XX
// library (FTD2XX.DLL, libftd2xx.so): it exports the twelve calls under the
// vendor's names, declared here from the vendor's programmer's guide and
// independently of the program, answers them with the simulated NIMBO
// device, and appends every call with its arguments to a log.
//
// Set up through the environment, read by FT_OpenEx while nothing is open:
//   NIMBO_FAKE_D2XX_STATE  the device's state file (else a device in memory)
//   NIMBO_FAKE_D2XX_LOG    the log file, one line per call
// The interface answers to the description "USB Serial Converter". Built
// with NIMBO_FAKE_D2XX_WITHOUT_PURGE it lacks FT_Purge.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>

#include "link/Clock.h"
#include "link/sim/DeviceStore.h"
#include "link/sim/SimulatedDeviceState.h"
#include "link/sim/SimulatedTransport.h"

#ifdef _WIN32
#define FAKE_EXPORT extern "C" __declspec(dllexport)
#define WINAPI __stdcall
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#define WINAPI
#endif

// The guide's types; ULONG and DWORD are 32 bits wide in both libraries.
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using USHORT = std::uint16_t;
using UCHAR = std::uint8_t;
using PVOID = void*;
using LPDWORD = DWORD*;
using FT_HANDLE = PVOID;
using FT_STATUS = ULONG;

namespace {

using nimbo::FtHandle;

constexpr FT_STATUS kInvalidHandle = 1;
constexpr FT_STATUS kDeviceNotFound = 2;

// One interface with the simulated device behind it, on a virtual clock.
struct Interface {
  nimbo::VirtualClock clock;
  nimbo::sim::SimulatedDevice device;
  nimbo::sim::SimulatedTransport transport{device, clock, "USB Serial Converter"};

  Interface() : device(clock) { device.LoadFactoryContents(); }
  explicit Interface(std::unique_ptr<nimbo::sim::DeviceStore> store)
      : device(clock, std::move(store)) {}
};

struct Fake {
  std::unique_ptr<Interface> line;
  std::string stateFile;
  std::ofstream log;
  int open = 0;
};

Fake& TheFake() {
  static Fake fake;
  return fake;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

void Log(const std::string& line) {
  TheFake().log << line << std::endl;
}

// Handles are pointers far above 4 GiB, so that a caller that keeps only
// 32 bits of one hands back a handle the fake refuses.
FT_HANDLE ToNative(FtHandle handle) {
  return reinterpret_cast<FT_HANDLE>((std::uintptr_t{0xFD} << 40) | handle);
}
bool FromNative(FT_HANDLE native, FtHandle& handle) {
  const auto value = reinterpret_cast<std::uintptr_t>(native);
  handle = static_cast<FtHandle>(value & 0xFFFFFFFFu);
  return value >> 32 == std::uintptr_t{0xFD} << 8;
}

std::string Args(std::initializer_list<std::uint64_t> values) {
  std::string text;
  for (const std::uint64_t value : values) {
    text += (text.empty() ? "" : " ") + std::to_string(value);
  }
  return text;
}

}  // namespace

FAKE_EXPORT FT_STATUS WINAPI FT_OpenEx(PVOID arg, DWORD flags, FT_HANDLE* handle) {
  Fake& fake = TheFake();
  const auto* description = static_cast<const char*>(arg);
  if (fake.open == 0) {  // set up anew from the environment
    fake.log = std::ofstream(Environment("NIMBO_FAKE_D2XX_LOG"), std::ios::app);
    const std::string state = Environment("NIMBO_FAKE_D2XX_STATE");
    if (!fake.line || state != fake.stateFile) {
      std::string error;
      fake.line.reset();
      fake.stateFile = state;
      if (state.empty()) {
        fake.line = std::make_unique<Interface>();
      } else if (auto store = nimbo::sim::OpenStateFile(state, error)) {
        fake.line = std::make_unique<Interface>(std::move(store));
      } else {
        Log("cannot use the state file: " + error);
        return kDeviceNotFound;
      }
    }
  }
  Log("FT_OpenEx \"" + std::string(description != nullptr ? description : "") + "\" " +
      std::to_string(flags));
  FtHandle opened = 0;
  const FT_STATUS status = fake.line->transport.OpenEx(description, flags, opened);
  if (status == 0) {
    *handle = ToNative(opened);
    ++fake.open;
  }
  return status;
}

// Logs the call with its arguments and hands it to the simulated interface.
#define FAKE_CALL(name, ...)                                        \
  FtHandle id = 0;                                                  \
  if (!FromNative(handle, id) || !TheFake().line) {                 \
    return kInvalidHandle;                                          \
  }                                                                 \
  Log(std::string("FT_" #name) + (args.empty() ? "" : " ") + args); \
  return TheFake().line->transport.name(id __VA_OPT__(, ) __VA_ARGS__)

// Exports FT_<name>, logged with all its arguments but the handle.
#define FAKE_FORWARD(name, parameters, ...)           \
  FAKE_EXPORT FT_STATUS WINAPI FT_##name parameters { \
    const std::string args = Args({__VA_ARGS__});     \
    FAKE_CALL(name, __VA_ARGS__);                     \
  }

FAKE_FORWARD(SetBaudRate, (FT_HANDLE handle, ULONG baud), baud)
FAKE_FORWARD(SetFlowControl, (FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff), flow, xon,
             xoff)
FAKE_FORWARD(SetLatencyTimer, (FT_HANDLE handle, UCHAR timer), timer)
FAKE_FORWARD(SetUSBParameters, (FT_HANDLE handle, ULONG in, ULONG out), in, out)
FAKE_FORWARD(SetDataCharacteristics, (FT_HANDLE handle, UCHAR bits, UCHAR stops, UCHAR parity),
             bits, stops, parity)
FAKE_FORWARD(SetChars, (FT_HANDLE handle, UCHAR event, UCHAR onEvent, UCHAR error, UCHAR onError),
             event, onEvent, error, onError)
FAKE_FORWARD(SetTimeouts, (FT_HANDLE handle, ULONG readMs, ULONG writeMs), readMs, writeMs)
#ifndef NIMBO_FAKE_D2XX_WITHOUT_PURGE
FAKE_FORWARD(Purge, (FT_HANDLE handle, ULONG mask), mask)
#endif
FAKE_EXPORT FT_STATUS WINAPI FT_Write(FT_HANDLE handle, PVOID buffer, DWORD count,
                                      LPDWORD written) {
  const std::string args = Args({count});
  FAKE_CALL(Write, std::span(static_cast<const std::uint8_t*>(buffer), count), *written);
}
FAKE_EXPORT FT_STATUS WINAPI FT_Read(FT_HANDLE handle, PVOID buffer, DWORD count,
                                     LPDWORD returned) {
  const std::string args = Args({count});
  FAKE_CALL(Read, std::span(static_cast<std::uint8_t*>(buffer), count), *returned);
}
FAKE_EXPORT FT_STATUS WINAPI FT_Close(FT_HANDLE handle) {
  FtHandle id = 0;
  if (!FromNative(handle, id) || !TheFake().line) {
    return kInvalidHandle;
  }
  Log("FT_Close");
  const FT_STATUS status = TheFake().line->transport.Close(id);
  TheFake().open -= status == 0 ? 1 : 0;
  return status;
}
