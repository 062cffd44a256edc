#include "link/ftdi/EmulatedUsbBus.h"

// clang-format off
#include <sys/ioctl.h>  // before the usbdevfs header, which needs _IOR and friends
#include <linux/usbdevice_fs.h>
// clang-format on
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace nimbo::ftdi::test {
namespace {

constexpr std::uint8_t kBulkIn = 0x81;
constexpr std::uint8_t kBulkOut = 0x02;
constexpr std::size_t kSetupSize = 8;

struct DataUnref {
  void operator()(UMockdevIoctlData* data) const { g_object_unref(data); }
};
using DataPtr = std::unique_ptr<UMockdevIoctlData, DataUnref>;

DataPtr Resolve(UMockdevIoctlData* parent, std::size_t offset, std::size_t length) {
  GError* error = nullptr;
  DataPtr data(umockdev_ioctl_data_resolve(parent, offset, length, &error));
  g_clear_error(&error);
  return data;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char two[3];
  for (std::uint8_t byte : bytes) {
    std::snprintf(two, sizeof two, "%02x", byte);
    out += two;
  }
  return out;
}

std::string Node(int number) {
  char node[32];
  std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", number);
  return node;
}

}  // namespace

struct EmulatedUsbBus::Urb {
  DataPtr urb;
  DataPtr buffer;  // null for an empty transfer
  Micros submittedAt = 0;

  usbdevfs_urb& Header() { return *reinterpret_cast<usbdevfs_urb*>(urb->data); }
  std::span<std::uint8_t> Bytes() {
    return buffer
               ? std::span<std::uint8_t>(buffer->data, static_cast<std::size_t>(buffer->data_len))
               : std::span<std::uint8_t>();
  }
  void Finish(int status, int actualLength) {
    Header().status = status;
    Header().actual_length = actualLength;
  }
};

struct EmulatedUsbBus::Slot {
  std::unique_ptr<Ft232rChip> chip;
  std::string sysPath;
  std::string node;
  UsbState state;
  bool unplugged = false;
  bool stallWrites = false;
  int writesToUnplug = 0;     // counts bulk-out transfers down to the unplug
  bool unplugAtRead = false;  // the next bulk-in transfer sees the chip go
  std::deque<Urb> pending;    // bulk-in transfers waiting for the chip
  std::deque<Urb> finished;   // transfers for the host to reap
};

EmulatedUsbBus::EmulatedUsbBus(int speed) : clock_(speed) {
  testbed_ = umockdev_testbed_new();
  handler_ = umockdev_ioctl_base_new();
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&EmulatedUsbBus::HandleIoctl), this);
  gchar* root = umockdev_testbed_get_root_dir(testbed_);
  root_ = root;
  g_free(root);
}

EmulatedUsbBus::~EmulatedUsbBus() {
  g_object_unref(testbed_);  // removes the testbed's files and stops serving ioctls
  g_object_unref(handler_);
}

bool EmulatedUsbBus::Preloaded() {
  const char* preload = std::getenv("LD_PRELOAD");
  return preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr;
}

int EmulatedUsbBus::Plug(const std::string& description, sim::SimulatedDevice* device) {
  auto slot = std::make_unique<Slot>();
  slot->chip = std::make_unique<Ft232rChip>(description, device, clock_);
  std::lock_guard lock(mutex_);
  const int number = static_cast<int>(slots_.size());
  const int devnum = number + 2;  // 1 is the root hub
  slot->node = Node(devnum);
  slot->sysPath = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(number + 1);
  GError* error = nullptr;
  // The handler first, so that the node answers as soon as it appears.
  if (!umockdev_testbed_attach_ioctl(testbed_, slot->node.c_str(), handler_, &error)) {
    const std::string message = error != nullptr ? error->message : "attach failed";
    g_clear_error(&error);
    throw std::runtime_error(message);
  }
  const std::string record =
      "P: " + slot->sysPath.substr(4) + "\nN: " + slot->node.substr(5) +
      "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: BUSNUM=001\nE: DEVNUM=" +
      slot->node.substr(slot->node.size() - 3) + "\nE: DEVNAME=" + slot->node +
      "\nA: busnum=1\\n\nA: devnum=" + std::to_string(devnum) +
      "\\n\nA: bConfigurationValue=1\\n\nA: speed=12\\n\nA: product=" + description +
      "\\n\nH: descriptors=" + Hex(Ft232rChip::Descriptors()) + "\n";
  if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
    const std::string message = error != nullptr ? error->message : "add failed";
    g_clear_error(&error);
    throw std::runtime_error(message);
  }
  slots_.push_back(std::move(slot));
  return number;
}

void EmulatedUsbBus::PullOut(Slot& slot) {
  slot.unplugged = true;
  for (Urb& urb : slot.pending) {
    urb.Finish(-ENODEV, 0);
    slot.finished.push_back(std::move(urb));
  }
  slot.pending.clear();
}

void EmulatedUsbBus::Unplug(int chip) {
  std::string sysPath;
  {
    std::lock_guard lock(mutex_);
    Slot& slot = *slots_.at(static_cast<std::size_t>(chip));
    PullOut(slot);
    sysPath = std::exchange(slot.sysPath, std::string());
  }
  if (!sysPath.empty()) {
    umockdev_testbed_remove_device(testbed_, sysPath.c_str());
  }
}

void EmulatedUsbBus::RefuseOpen(int chip) {
  std::lock_guard lock(mutex_);
  // The node goes, its sysfs entry stays: libusb lists the chip and cannot open it.
  const std::string node = root_ + slots_.at(static_cast<std::size_t>(chip))->node;
  if (::unlink(node.c_str()) != 0) {
    throw std::runtime_error("cannot remove " + node);
  }
}

void EmulatedUsbBus::StallWrites(int chip) {
  std::lock_guard lock(mutex_);
  slots_.at(static_cast<std::size_t>(chip))->stallWrites = true;
}

void EmulatedUsbBus::UnplugDuringRead(int chip, int nthWrite) {
  std::lock_guard lock(mutex_);
  slots_.at(static_cast<std::size_t>(chip))->writesToUnplug = nthWrite;
}

UsbState EmulatedUsbBus::State(int chip) {
  std::lock_guard lock(mutex_);
  Slot& slot = *slots_.at(static_cast<std::size_t>(chip));
  slot.state.line = slot.chip->Line();
  return slot.state;
}

int EmulatedUsbBus::HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
  return static_cast<EmulatedUsbBus*>(self)->Handle(client) ? TRUE : FALSE;
}

bool EmulatedUsbBus::Handle(UMockdevIoctlClient* client) {
  std::lock_guard lock(mutex_);
  const std::string node = umockdev_ioctl_client_get_devnode(client);
  Slot* slot = nullptr;
  for (auto& candidate : slots_) {
    if (candidate->node == node) {
      slot = candidate.get();
    }
  }
  if (slot == nullptr) {
    return false;
  }
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  if (request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY) {
    Reap(*slot, client, arg);  // hands back what finished before an unplug, too
    return true;
  }
  if (slot->unplugged) {
    if (request == USBDEVFS_SUBMITURB) {
      const DataPtr urb = Resolve(arg, 0, sizeof(usbdevfs_urb));
      if (urb && reinterpret_cast<usbdevfs_urb*>(urb->data)->endpoint == kBulkIn) {
        ++slot->state.inTransfers;
      }
    }
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return true;
  }
  long result = 0;
  int error = 0;
  switch (request) {
    case USBDEVFS_GET_CAPABILITIES:
      if (DataPtr caps = Resolve(arg, 0, sizeof(std::uint32_t))) {
        const std::uint32_t value = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                    USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                    USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
        std::memcpy(caps->data, &value, sizeof value);
      }
      break;
    case USBDEVFS_DISCONNECT_CLAIM:
      slot->state.driverDetached = true;
      slot->state.claimed = true;
      break;
    case USBDEVFS_CLAIMINTERFACE:
      slot->state.claimed = true;
      break;
    case USBDEVFS_RELEASEINTERFACE:
      slot->state.claimed = false;
      break;
    case USBDEVFS_IOCTL:
      // Hands the interface back to (or takes it from) the kernel's driver.
      if (DataPtr command = Resolve(arg, 0, sizeof(usbdevfs_ioctl))) {
        const auto& ioctl = *reinterpret_cast<usbdevfs_ioctl*>(command->data);
        slot->state.driverDetached = ioctl.ioctl_code != static_cast<int>(USBDEVFS_CONNECT);
      }
      break;
    case USBDEVFS_SUBMITURB:
      Submit(*slot, client, arg);
      return true;
    case USBDEVFS_DISCARDURB:
      Discard(*slot, client, arg);
      return true;
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP:
      break;
    default:
      result = -1;
      error = ENOTTY;
  }
  umockdev_ioctl_client_complete(client, result, error);
  return true;
}

void EmulatedUsbBus::Submit(Slot& slot, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
  Urb urb;
  urb.urb = Resolve(arg, 0, sizeof(usbdevfs_urb));
  if (!urb.urb) {
    umockdev_ioctl_client_complete(client, -1, EFAULT);
    return;
  }
  const usbdevfs_urb header = urb.Header();
  if (header.buffer_length > 0) {
    urb.buffer = Resolve(urb.urb.get(), offsetof(usbdevfs_urb, buffer),
                         static_cast<std::size_t>(header.buffer_length));
  }
  urb.submittedAt = clock_.Now();
  const std::span<std::uint8_t> bytes = urb.Bytes();
  if (header.type == USBDEVFS_URB_TYPE_CONTROL && bytes.size() >= kSetupSize) {
    Setup setup;
    setup.requestType = bytes[0];
    setup.request = bytes[1];
    setup.value = static_cast<std::uint16_t>(bytes[2] | bytes[3] << 8);
    setup.index = static_cast<std::uint16_t>(bytes[4] | bytes[5] << 8);
    setup.length = static_cast<std::uint16_t>(bytes[6] | bytes[7] << 8);
    const auto answer = slot.chip->Control(setup);
    if (!answer) {
      urb.Finish(-EPIPE, 0);
    } else {
      const std::size_t length = std::min(answer->size(), bytes.size() - kSetupSize);
      std::copy_n(answer->begin(), length, bytes.begin() + kSetupSize);
      urb.Finish(0, static_cast<int>((setup.requestType & 0x80) != 0 ? length : setup.length));
    }
    slot.finished.push_back(std::move(urb));
  } else if (header.type == USBDEVFS_URB_TYPE_BULK && header.endpoint == kBulkOut) {
    if (slot.stallWrites) {
      urb.Finish(-EPIPE, 0);
    } else {
      slot.chip->BulkOut(bytes);
      urb.Finish(0, static_cast<int>(bytes.size()));
      slot.unplugAtRead = slot.writesToUnplug > 0 && --slot.writesToUnplug == 0;
    }
    slot.finished.push_back(std::move(urb));
  } else if (header.type == USBDEVFS_URB_TYPE_BULK && header.endpoint == kBulkIn) {
    ++slot.state.inTransfers;
    slot.pending.push_back(std::move(urb));
    if (std::exchange(slot.unplugAtRead, false)) {
      PullOut(slot);
    }
  } else {
    umockdev_ioctl_client_complete(client, -1, EINVAL);
    return;
  }
  umockdev_ioctl_client_complete(client, 0, 0);
}

void EmulatedUsbBus::Reap(Slot& slot, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
  if (!slot.pending.empty()) {
    Urb& first = slot.pending.front();
    const std::span<std::uint8_t> bytes = first.Bytes();
    if (const auto packets = slot.chip->BulkIn(bytes.size(), first.submittedAt)) {
      const std::size_t length = std::min(packets->size(), bytes.size());
      std::copy_n(packets->begin(), length, bytes.begin());
      first.Finish(0, static_cast<int>(length));
      slot.finished.push_back(std::move(first));
      slot.pending.pop_front();
    }
  }
  if (slot.finished.empty()) {
    umockdev_ioctl_client_complete(client, -1, slot.unplugged ? ENODEV : EAGAIN);
    return;
  }
  Urb urb = std::move(slot.finished.front());
  slot.finished.pop_front();
  // The reap's argument is where the host wants the finished URB's address.
  DataPtr where = Resolve(arg, 0, sizeof(void*));
  if (!where) {
    umockdev_ioctl_client_complete(client, -1, EFAULT);
    return;
  }
  umockdev_ioctl_data_set_ptr(where.get(), 0, urb.urb.get());
  umockdev_ioctl_client_complete(client, 0, 0);
}

void EmulatedUsbBus::Discard(Slot& slot, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
  gulong target = 0;
  std::memcpy(&target, arg->data,
              std::min<std::size_t>(sizeof target, static_cast<std::size_t>(arg->data_len)));
  for (auto it = slot.pending.begin(); it != slot.pending.end(); ++it) {
    if (it->urb->client_addr == target) {
      it->Finish(-ENOENT, 0);
      slot.finished.push_back(std::move(*it));
      slot.pending.erase(it);
      umockdev_ioctl_client_complete(client, 0, 0);
      return;
    }
  }
  umockdev_ioctl_client_complete(client, -1, EINVAL);
}

}  // namespace nimbo::ftdi::test
