// Feeds arbitrary device behaviour to every link operation: statuses, reply
// pieces and bytes, and the counts, offsets and addresses the callers set. The
// operations may fail in any way but must stay inside their buffers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

#include "FuzzTransport.h"
#include "link/NimboModule.h"
#include "link/UserInterface.h"

namespace {

using nimbo::NIMBOmodule;

constexpr int kMaxOperations = 48;

// A count near the edges of the buffers more often than anywhere else.
std::int32_t EdgyCount(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return input.ConsumeIntegralInRange<std::int32_t>(-2, 70);
    case 1:
      return input.ConsumeIntegralInRange<std::int32_t>(4090, 4100);
    case 2:
      return input.ConsumeIntegralInRange<std::int32_t>(65470, 65560);
    default:
      return input.ConsumeIntegral<std::int32_t>();
  }
}

void RunOne(NIMBOmodule& module, FuzzedDataProvider& input);

// Starts a second exchange from inside a reply read now and then, as a click
// during an exchange would.
class MeddlingUserInterface final : public nimbo::UserInterface {
 public:
  explicit MeddlingUserInterface(FuzzedDataProvider& input) : input_(input) {}
  void Attach(NIMBOmodule& module) { module_ = &module; }
  void ShowMessage(std::string_view, std::string_view, nimbo::MessageIcon) override {}
  void Beep() override {}
  void SetStatusText(std::string_view) override {}
  void SetProgress(int, int) override {}
  void Sleep(int) override {}
  void ProcessEvents() override {
    if (module_ == nullptr || depth_ > 0 || input_.remaining_bytes() == 0 ||
        input_.ConsumeIntegralInRange<int>(0, 63) != 0) {
      return;
    }
    ++depth_;
    RunOne(*module_, input_);
    --depth_;
  }

 private:
  FuzzedDataProvider& input_;
  NIMBOmodule* module_ = nullptr;
  int depth_ = 0;
};

void RunOne(NIMBOmodule& module, FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange<int>(0, 13)) {
    case 0:
      module.OpenLink();
      break;
    case 1:
      module.CloseLink();
      break;
    case 2:
      module.ReadDeviceInfo();
      break;
    case 3:
      module.BlockAddress = EdgyCount(input);
      module.BlockOffset = EdgyCount(input);
      module.ReadMemoryBlock();
      break;
    case 4:
      module.BlockAddress = EdgyCount(input);
      module.WriteMemoryBlock();
      break;
    case 5:
      module.BlockAddress = EdgyCount(input);
      module.VerifyMemoryBlock();
      break;
    case 6:
      module.ReadEeprom();
      break;
    case 7:
      module.WriteEeprom();
      break;
    case 8:
      module.TxCount = EdgyCount(input);
      module.SendFrame();
      break;
    case 9:
      module.RxCount = EdgyCount(input);
      module.ReadReply();
      break;
    case 10:
      module.RxCount = EdgyCount(input);
      module.BlockOffset = EdgyCount(input);
      module.ReadBlockData();
      break;
    case 11:
      module.RxCount = EdgyCount(input);
      module.ReadVerifyData();
      break;
    case 12:
      input.ConsumeData(module.BlockOut.data(), module.BlockOut.size());
      break;
    default:
      input.ConsumeData(module.SettingsBytes.data(), module.SettingsBytes.size());
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  nimbo::fuzz::FuzzTransport transport(input);
  MeddlingUserInterface ui(input);
  NIMBOmodule module(transport, ui);
  ui.Attach(module);
  // Sized only now and then, so that reads into an unsized image are tried too.
  if (input.ConsumeBool()) {
    module.SizeSharedArrays();
  }
  for (int i = 0; i < kMaxOperations && input.remaining_bytes() > 0; ++i) {
    RunOne(module, input);
  }
  return 0;
}
