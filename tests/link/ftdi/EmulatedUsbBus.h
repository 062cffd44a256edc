// A USB bus that exists only in a umockdev testbed: FT232R chips appear in
// sysfs with their descriptors, and their device nodes answer the usbdevfs
// requests that libusb sends (control and bulk URBs: submit, reap, discard),
// so the real libusb and libftdi1 run unchanged above them.
//
// Needs the umockdev preload in the process that uses the bus. The ioctls
// are served on a umockdev thread; the bus's lock keeps its state consistent,
// and a simulated device behind a chip may be touched by the test between
// transfers, when no ioctl is in flight.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "link/Clock.h"
#include "link/ftdi/Ft232rChip.h"

using UMockdevTestbed = struct _UMockdevTestbed;
using UMockdevIoctlBase = struct _UMockdevIoctlBase;
using UMockdevIoctlClient = struct _UMockdevIoctlClient;
using UMockdevIoctlData = struct _UMockdevIoctlData;

namespace nimbo::ftdi::test {

// What the host did to a chip's USB side, beyond its line settings.
struct UsbState {
  LineState line;
  bool claimed = false;         // interface 0 is claimed by the host
  bool driverDetached = false;  // the kernel's serial driver was moved aside
  int inTransfers = 0;          // bulk-in URBs submitted so far, refused ones too
};

// Real time, or real time run `speed` times faster for the chips and their
// devices: a whole flash then shows the same frames in a fraction of its time.
class BusClock final : public Clock {
 public:
  explicit BusClock(int speed) : speed_(speed) {}
  Micros Now() const override { return real_.Now() * speed_; }
  void SleepUntil(Micros deadline) override { real_.SleepUntil(deadline / speed_); }

 private:
  SteadyClock real_;
  int speed_;
};

class EmulatedUsbBus {
 public:
  explicit EmulatedUsbBus(int speed = 1);
  ~EmulatedUsbBus();
  EmulatedUsbBus(const EmulatedUsbBus&) = delete;
  EmulatedUsbBus& operator=(const EmulatedUsbBus&) = delete;

  // True when this process runs under the umockdev preload.
  static bool Preloaded();

  // The clock the chips and their devices share.
  Clock& Time() { return clock_; }

  // Plugs in an FT232R with `description`; `device` (may be null) sits on its
  // serial side and must use Time(). Returns the chip's number.
  int Plug(const std::string& description, sim::SimulatedDevice* device);
  // Pulls the chip out: transfers in flight end with ENODEV, every later
  // request fails with ENODEV, and the chip leaves sysfs.
  void Unplug(int chip);

  // Faults.
  void RefuseOpen(int chip);   // the chip is listed, its device node cannot be opened
  void StallWrites(int chip);  // bulk-out transfers end with a STALL (EPIPE)
  // The chip is pulled out while the host waits for the reply to the `nth`
  // write from now, during the first bulk-in transfer after that write. It
  // stays in sysfs until Unplug().
  void UnplugDuringRead(int chip, int nthWrite);

  UsbState State(int chip);

 private:
  struct Slot;
  struct Urb;

  static int HandleIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
  bool Handle(UMockdevIoctlClient* client);
  void Submit(Slot& slot, UMockdevIoctlClient* client, UMockdevIoctlData* arg);
  void Reap(Slot& slot, UMockdevIoctlClient* client, UMockdevIoctlData* arg);
  void Discard(Slot& slot, UMockdevIoctlClient* client, UMockdevIoctlData* arg);
  static void PullOut(Slot& slot);

  BusClock clock_;
  UMockdevTestbed* testbed_ = nullptr;
  UMockdevIoctlBase* handler_ = nullptr;
  std::string root_;
  std::mutex mutex_;
  std::deque<std::unique_ptr<Slot>> slots_;
};

}  // namespace nimbo::ftdi::test
