// The trace the front ends may put between the module and the backend.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "link/NimboModule.h"
#include "link/ScriptedTransport.h"
#include "link/backend/Backend.h"
#include "link/backend/TracingTransport.h"

namespace nimbo::backend {
namespace {

// `head`, then the 64 zero bytes of a block, then `tail`.
std::string ZeroBlockBytes(const char* head, const char* tail) {
  std::string line = head;
  for (int i = 0; i < 64; ++i) {
    line += " 00";
  }
  return line + tail;
}

TEST(Trace, JoinsTheCallsOfAnExchangeIntoOneLinePerDirection) {
  BackendOptions options;
  options.simulate = true;
  options.realTime = false;
  std::ostringstream trace;
  options.trace = &trace;
  std::string error;
  auto backend = MakeBackend(options, error);
  ASSERT_NE(backend, nullptr) << error;
  SilentUserInterface ui;
  NIMBOmodule module(backend->Transport(), ui);
  module.SizeSharedArrays();
  module.OpenLink();  // the drain's empty read writes nothing
  ASSERT_EQ(module.LinkStatus, 0);
  module.SettingsBytes[3] = 0x41;
  module.WriteEeprom();
  module.BlockAddress = 0x20;
  module.WriteMemoryBlock();  // a purge, three writes, one read
  module.ReadMemoryBlock();   // one write, three reads
  module.ReadDeviceInfo();    // not answered in normal mode: reads that bring nothing
  module.ReadDeviceInfo();
  backend->Device()->Unplug();
  module.ReadDeviceInfo();  // a failed write sends nothing
  module.CloseLink();       // ends the last line
  const std::string text = trace.str();
  EXPECT_EQ(text.rfind("> 57 45 00 00 00 08\n< 57 45 01\n", 0), 0u) << text;
  EXPECT_NE(text.find("\n> 57 45 03 00 41 4A\n< 57 45 01\n"), std::string::npos) << text;
  const std::string tail = ZeroBlockBytes("> 57 4D 20 00", " 28\n< 57 4D 01\n> 52 4D 20 00\n") +
                           ZeroBlockBytes("< 52 4D", " 28 01\n> 49 46\n> 49 46\n");
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST(Trace, ShowsOnlyTheBytesTheInterfaceTook) {
  test::ScriptedTransport inner;
  inner.writeLimit = 2;
  std::ostringstream out;
  TracingTransport tracing(inner, out);
  std::uint32_t written = 0;
  tracing.Write(1, std::vector<std::uint8_t>{0x52, 0x4D, 0x00, 0x20}, written);
  tracing.Flush();
  EXPECT_EQ(out.str(), "> 52 4D\n");
}

}  // namespace
}  // namespace nimbo::backend
