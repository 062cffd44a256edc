#include "link/sim/SimulatedDevice.h"

#include <algorithm>

#include "link/sim/DeviceFrames.h"
#include "link/sim/DeviceStore.h"
#include "link/sim/FactoryContents.h"
#include "link/sim/FaultPlan.h"
#include "link/sim/WireTimeline.h"

namespace nimbo::sim {
namespace {

// The last two bytes of the "IF" reply: the block size in address units and
// a reserved zero.
constexpr std::uint8_t kInfoBlockUnits = 32;
constexpr std::uint8_t kInfoReserved = 0x00;

std::uint8_t Lo(int address) {
  return static_cast<std::uint8_t>(address & 0xFF);
}
std::uint8_t Hi(int address) {
  return static_cast<std::uint8_t>((address >> 8) & 0xFF);
}

// Memory addresses count 2-byte units; a block that runs past the top wraps
// to address 0, as the device's 16-bit address counter does.
std::size_t MemoryIndex(int address, std::size_t offset) {
  return (static_cast<std::size_t>(address) * 2 + offset) % kMemoryBytes;
}

// The EEPROM decodes only the low 8 address bits.
std::size_t EepromIndex(int address) {
  return static_cast<std::size_t>(address) % kEepromBytes;
}

}  // namespace

struct SimulatedDevice::Impl {
  Impl(Clock& c, std::unique_ptr<DeviceStore> s)
      : clock(c),
        store(std::move(s)),
        memory(store->Memory()),
        eeprom(store->Eeprom()),
        version(store->Version()),
        model(store->Model()),
        mode(store->CurrentMode()),
        wire(timing) {}

  void Execute(const Frame& frame);
  // Builds the reply and carries out the command; nullopt when it stays
  // silent.
  std::optional<std::vector<std::uint8_t>> Answer(const Frame& frame, const ExchangeFaults& f);
  void Send(std::vector<std::uint8_t> reply, Micros readyAt, const ExchangeFaults& f);

  // Takes up rules that another program armed in the store meanwhile.
  void LoadFaults();
  // Puts the rules back when an exchange used some up.
  void SaveFaults(const std::vector<FaultRule>& before);

  Clock& clock;
  std::unique_ptr<DeviceStore> store;  // the contents below live in it
  std::span<std::uint8_t> memory;
  std::span<std::uint8_t> eeprom;
  std::uint8_t& version;
  std::uint8_t& model;
  Mode& mode;
  Timing timing;
  FaultPlan faults;
  std::array<std::size_t, kFaultKinds> struck{};
  bool unplugged = false;
  std::vector<TraceEntry> trace;
  FrameParser parser;
  WireTimeline wire;
};

void SimulatedDevice::Impl::Execute(const Frame& frame) {
  trace.push_back({true, frame.bytes});
  const CommandShape& shape = ShapeOf(frame.command);
  if (frame.command == Command::Info && mode != Mode::Update) {
    return;  // the normal firmware does not know "IF"
  }
  const std::optional<int> address =
      shape.hasAddress ? std::optional<int>(frame.Address()) : std::nullopt;
  const ExchangeFaults f = faults.Draw(shape, address);
  for (std::size_t kind = 0; kind < kFaultKinds; ++kind) {
    struck[kind] += f.active[kind] ? 1 : 0;
  }
  if (f.Has(Fault::Unplug)) {
    unplugged = true;
    wire.Clear();
    parser.Reset();
    return;
  }
  if (f.Has(Fault::NoReply)) {
    return;
  }
  std::optional<std::vector<std::uint8_t>> reply = Answer(frame, f);
  if (!reply) {
    return;
  }
  Send(std::move(*reply), frame.completedAt, f);
}

std::optional<std::vector<std::uint8_t>> SimulatedDevice::Impl::Answer(const Frame& frame,
                                                                       const ExchangeFaults& f) {
  const std::vector<std::uint8_t>& in = frame.bytes;
  std::vector<std::uint8_t> out = {in[0], in[1]};
  const bool refuse = f.Has(Fault::Refuse);
  const bool store = !refuse && !f.Has(Fault::DropWrite);
  switch (frame.command) {
    case Command::Info:
      out.insert(out.end(), {version, model, kInfoBlockUnits, kInfoReserved});
      break;
    case Command::ReadMemory: {
      const int address = frame.Address();
      std::array<std::uint8_t, kBlockBytes> block{};
      for (std::size_t i = 0; i < kBlockBytes; ++i) {
        block[i] = memory[MemoryIndex(address, i)];
      }
      const std::uint8_t sum = FrameChecksum(Lo(address), Hi(address), block);
      out.insert(out.end(), block.begin(), block.end());
      if (f.Has(Fault::CorruptReadBack)) {
        out[2 + f.corruptAt % kBlockBytes] ^= 0xFF;
      }
      out.push_back(f.Has(Fault::WrongChecksum) ? static_cast<std::uint8_t>(sum ^ 0xFF) : sum);
      out.push_back(refuse ? kRefusal : kAcknowledge);
      break;
    }
    case Command::ReadEeprom: {
      const int address = frame.Address();
      const std::uint8_t data = eeprom[EepromIndex(address)];
      const std::uint8_t sum = FrameChecksum(Lo(address), Hi(address), {&data, 1});
      out.push_back(f.Has(Fault::CorruptReadBack) ? static_cast<std::uint8_t>(data ^ 0xFF) : data);
      out.push_back(f.Has(Fault::WrongChecksum) ? static_cast<std::uint8_t>(sum ^ 0xFF) : sum);
      out.push_back(refuse ? kRefusal : kAcknowledge);
      break;
    }
    case Command::WriteMemory: {
      const int address = frame.Address();
      const std::span<const std::uint8_t> block(in.data() + 4, kBlockBytes);
      const bool intact = FrameChecksum(in[2], in[3], block) == in[4 + kBlockBytes];
      if (intact && store) {
        for (std::size_t i = 0; i < kBlockBytes; ++i) {
          memory[MemoryIndex(address, i)] = block[i];
        }
      }
      out.push_back(intact && !refuse ? kAcknowledge : kRefusal);
      break;
    }
    case Command::WriteEeprom: {
      const bool intact = FrameChecksum(in[2], in[3], {&in[4], 1}) == in[5];
      if (intact && store) {
        eeprom[EepromIndex(frame.Address())] = in[4];
      }
      out.push_back(intact && !refuse ? kAcknowledge : kRefusal);
      break;
    }
  }
  if (f.Has(Fault::WrongEcho)) {
    out[0] ^= 0x20;  // the letter in the other case
  }
  return out;
}

void SimulatedDevice::Impl::Send(std::vector<std::uint8_t> reply, Micros readyAt,
                                 const ExchangeFaults& f) {
  reply.insert(reply.end(), f.surplus.begin(), f.surplus.end());
  trace.push_back({false, reply});
  if (f.Has(Fault::Late)) {
    readyAt += f.lateBy;
  }
  std::size_t first = reply.size();
  if (f.Has(Fault::SplitReply) && reply.size() > 1) {
    first = std::clamp<std::size_t>(f.splitAt, 1, reply.size() - 1);
  }
  const std::span<const std::uint8_t> all(reply);
  const Micros firstDone = wire.Transmit(all.first(first), readyAt);
  if (first < reply.size()) {
    wire.Transmit(all.subspan(first), firstDone + f.splitGap);
  }
}

void SimulatedDevice::Impl::LoadFaults() {
  if (store->KeepsFaults()) {
    faults.SetRules(store->LoadFaults());
  }
}

void SimulatedDevice::Impl::SaveFaults(const std::vector<FaultRule>& before) {
  if (store->KeepsFaults() && faults.Rules() != before) {
    store->SaveFaults(faults.Rules());
  }
}

SimulatedDevice::SimulatedDevice(Clock& clock)
    : SimulatedDevice(clock, std::make_unique<MemoryStore>()) {
  impl_->version = kFactoryVersion;
  impl_->model = kFactoryModel;
}

SimulatedDevice::SimulatedDevice(Clock& clock, std::unique_ptr<DeviceStore> store)
    : impl_(std::make_unique<Impl>(clock, std::move(store))) {}
SimulatedDevice::~SimulatedDevice() = default;

std::span<std::uint8_t> SimulatedDevice::Memory() {
  return impl_->memory;
}
std::span<std::uint8_t> SimulatedDevice::Eeprom() {
  return impl_->eeprom;
}
std::uint8_t& SimulatedDevice::Version() {
  return impl_->version;
}
std::uint8_t& SimulatedDevice::Model() {
  return impl_->model;
}
Mode& SimulatedDevice::CurrentMode() {
  return impl_->mode;
}
std::span<const std::uint8_t> SimulatedDevice::Memory() const {
  return impl_->memory;
}
std::span<const std::uint8_t> SimulatedDevice::Eeprom() const {
  return impl_->eeprom;
}
std::uint8_t SimulatedDevice::Version() const {
  return impl_->version;
}
std::uint8_t SimulatedDevice::Model() const {
  return impl_->model;
}
Mode SimulatedDevice::CurrentMode() const {
  return impl_->mode;
}

void SimulatedDevice::LoadFactoryContents() {
  const StoreLock lock(*impl_->store);
  WriteFactoryContents(impl_->memory, impl_->eeprom);
  impl_->version = kFactoryVersion;
  impl_->model = kFactoryModel;
  impl_->mode = Mode::Normal;
}

Timing& SimulatedDevice::TimingModel() {
  return impl_->timing;
}
bool SimulatedDevice::AddFault(const FaultRule& rule) {
  const StoreLock lock(*impl_->store);
  impl_->LoadFaults();
  if (impl_->faults.Rules().size() >= impl_->store->FaultCapacity()) {
    return false;
  }
  const std::vector<FaultRule> before = impl_->faults.Rules();
  impl_->faults.Add(rule);
  impl_->SaveFaults(before);
  return true;
}
void SimulatedDevice::ClearFaults() {
  const StoreLock lock(*impl_->store);
  impl_->faults.Clear();
  if (impl_->store->KeepsFaults()) {
    impl_->store->SaveFaults({});
  }
}
std::vector<FaultRule> SimulatedDevice::FaultRules() const {
  const StoreLock lock(*impl_->store);
  impl_->LoadFaults();
  return impl_->faults.Rules();
}
void SimulatedDevice::SetRandomFaults(const RandomFaults& faults) {
  impl_->faults.SetRandom(faults);
}

void SimulatedDevice::Unplug() {
  impl_->unplugged = true;
  impl_->wire.Clear();
  impl_->parser.Reset();
}
bool SimulatedDevice::Unplugged() const {
  return impl_->unplugged;
}

const std::vector<TraceEntry>& SimulatedDevice::Trace() const {
  return impl_->trace;
}
void SimulatedDevice::ClearTrace() {
  impl_->trace.clear();
}
bool SimulatedDevice::Confused() const {
  return impl_->parser.Confused();
}
std::size_t SimulatedDevice::StruckCount(Fault fault) const {
  const auto kind = static_cast<std::size_t>(fault);
  return kind < kFaultKinds ? impl_->struck[kind] : 0;
}

void SimulatedDevice::Receive(std::span<const std::uint8_t> bytes) {
  if (impl_->unplugged) {
    return;
  }
  const Micros now = impl_->clock.Now();
  // The exchange runs as one step for every program that shares the store.
  const StoreLock lock(*impl_->store);
  if (!impl_->store->Intact()) {
    Unplug();
    return;
  }
  FrameParser::Output parsed;
  for (std::uint8_t byte : bytes) {
    if (const auto arrival = impl_->wire.FromHost(byte, now)) {
      impl_->parser.Feed(arrival->value, arrival->at, parsed);
    }
  }
  // Frames always precede the bytes discarded in the same write: once
  // confused, the parser completes no frame.
  if (!parsed.frames.empty()) {
    impl_->LoadFaults();
  }
  const std::vector<FaultRule> before = impl_->faults.Rules();
  for (const Frame& frame : parsed.frames) {
    if (impl_->unplugged) {
      break;
    }
    impl_->Execute(frame);
  }
  impl_->SaveFaults(before);
  if (!parsed.discarded.empty()) {
    impl_->trace.push_back({true, std::move(parsed.discarded)});
  }
}

std::size_t SimulatedDevice::Deliver(std::span<std::uint8_t> destination, Micros now) {
  if (impl_->unplugged) {
    return 0;
  }
  return impl_->wire.Take(destination, now);
}

std::optional<Micros> SimulatedDevice::NextArrival() const {
  if (impl_->unplugged) {
    return std::nullopt;
  }
  return impl_->wire.NextDelivery();
}

bool SimulatedDevice::Claim() {
  return impl_->store->Claim();
}
void SimulatedDevice::Release() {
  impl_->store->Release();
}

void SimulatedDevice::Purge(bool receiveQueue, bool transmitQueue) {
  if (receiveQueue) {
    impl_->wire.PurgeReceived(impl_->clock.Now());
  }
  if (transmitQueue) {
    impl_->parser.Reset();
  }
}

}  // namespace nimbo::sim
