// The reader loop, the send primitive and the refusal of counts and addresses
// that do not fit, on a transport that plays back scripted reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "link/NimboModule.h"
#include "link/ScriptedTransport.h"
#include "support/RecordingUserInterface.h"

namespace nimbo {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Readers : public ::testing::Test {
 protected:
  void SetUp() override {
    module.SizeSharedArrays();
    module.LinkHandle = 7;
  }

  test::ScriptedTransport ftdi;
  test::RecordingUserInterface ui;
  NIMBOmodule module{ftdi, ui};
};

TEST_F(Readers, LoopOutcomes) {
  const auto reply = &NIMBOmodule::ReadReply, block = &NIMBOmodule::ReadBlockData,
             verify = &NIMBOmodule::ReadVerifyData;
  struct Case {
    const char* name;
    void (NIMBOmodule::*reader)();
    std::vector<test::ReadPiece> script;
    std::int32_t status;
    Flag timedOut;
    Flag failed;
    std::int32_t total;
  };
  const Case cases[] = {
      {"one piece", reply, {{0, {'A', 'B', 'C'}}}, 0, kFalse, kFalse, 3},
      {"two pieces", reply, {{0, {'A'}}, {0, {'B', 'C'}}}, 0, kFalse, kFalse, 3},
      {"status 4 with all bytes stays 4", reply, {{4, {'A', 'B', 'C'}}}, 4, kFalse, kFalse, 3},
      {"status 4 then a clean read", reply, {{4, {'A'}}, {0, {'B', 'C'}}}, 0, kFalse, kFalse, 3},
      {"status 4 and nothing is a time-out", reply, {{4, {}}}, 8, kTrue, kFalse, 0},
      {"silence after one piece", reply, {{0, {'A'}}, {0, {}}}, 8, kTrue, kFalse, 1},
      {"read error", reply, {{0, {'A'}}, {3, {}}}, 8, kFalse, kTrue, 1},
      {"block in two pieces", block, {{0, {'A'}}, {0, {'B', 'C'}}}, 0, kFalse, kFalse, 3},
      {"verify of equal bytes", verify, {{0, {'A', 'B', 'C'}}}, 0, kFalse, kFalse, 3},
      {"verify, last byte differs", verify, {{0, {'A', 'B', 'D'}}}, 8, kFalse, kFalse, 3},
  };
  module.BlockOffset = 100;
  module.BlockOut = {'A', 'B', 'C'};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ftdi.reads.assign(c.script.begin(), c.script.end());
    module.RxBuffer.fill(0);
    module.BlockIn.fill(0);
    module.MemoryImage.assign(kMemoryImageSize, 0);
    module.RxCount = 3;
    ui.processEventsCount = 0;
    (module.*c.reader)();
    EXPECT_EQ(module.LinkStatus, c.status);
    EXPECT_EQ(module.RxTimedOut, c.timedOut);
    EXPECT_EQ(module.RxFailed, c.failed);
    EXPECT_EQ(module.RxTotal, c.total);
    // The bytes read are stored in order, also when the verify fails.
    Bytes read;
    for (const auto& piece : c.script) {
      read.insert(read.end(), piece.bytes.begin(), piece.bytes.end());
    }
    const auto stored = c.reader == reply   ? module.RxBuffer.data()
                        : c.reader == block ? module.MemoryImage.data() + 100
                                            : module.BlockIn.data();
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + c.total, stored));
    // ReadReply yields after each read that returned status 0 or 4, not after
    // an error; the block readers never yield.
    const auto yields = std::count_if(c.script.begin(), c.script.end(),
                                      [](const auto& p) { return p.status == 0 || p.status == 4; });
    EXPECT_EQ(ui.processEventsCount, c.reader == reply ? yields : 0);
  }
}

TEST_F(Readers, CountsThatDoNotFitAreRefusedWithoutReadingOrWriting) {
  struct Case {
    const char* name;
    std::int32_t rxCount;
    std::int32_t offset;
    void (NIMBOmodule::*reader)();
    bool fits;
  };
  const auto image = static_cast<std::int32_t>(kMemoryImageSize);
  const Case cases[] = {
      {"reply negative", -1, 0, &NIMBOmodule::ReadReply, false},
      {"reply 4097", 4097, 0, &NIMBOmodule::ReadReply, false},
      {"reply 4096", 4096, 0, &NIMBOmodule::ReadReply, true},
      {"verify 66", 66, 0, &NIMBOmodule::ReadVerifyData, false},
      {"verify 65", 65, 0, &NIMBOmodule::ReadVerifyData, true},
      {"block negative offset", 64, -1, &NIMBOmodule::ReadBlockData, false},
      {"block past the end", 64, image - 63, &NIMBOmodule::ReadBlockData, false},
      {"block at the end", 64, image - 64, &NIMBOmodule::ReadBlockData, true},
      {"block huge count", 0x7FFFFFFF, 10, &NIMBOmodule::ReadBlockData, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ftdi.calls.clear();
    ftdi.reads = {{0, Bytes(4100, 0xAB)}};  // plenty on offer, in case the reader reads
    module.MemoryImage.assign(kMemoryImageSize, 0);
    module.RxBuffer.fill(0);
    module.BlockOut.fill(0xAB);
    module.RxCount = c.rxCount;
    module.BlockOffset = c.offset;
    (module.*c.reader)();
    if (c.fits) {
      EXPECT_EQ(module.LinkStatus, 0);
      EXPECT_EQ(ftdi.calls, std::vector<std::string>{"Read"});
    } else {
      EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
      EXPECT_EQ(module.RxFailed, kTrue);
      EXPECT_TRUE(ftdi.calls.empty());
      EXPECT_EQ(std::count(module.MemoryImage.begin(), module.MemoryImage.end(), 0),
                static_cast<long>(kMemoryImageSize));
      EXPECT_EQ(std::count(module.RxBuffer.begin(), module.RxBuffer.end(), 0),
                static_cast<long>(module.RxBuffer.size()));
    }
  }
}

TEST_F(Readers, SendFrameRefusesCountsThatDoNotFit) {
  for (const std::int32_t count : {-1, 4097}) {
    module.TxCount = count;
    module.TxWritten = 5;
    module.SendFrame();
    EXPECT_EQ(module.LinkStatus, kLinkReadFailure) << count;
    EXPECT_EQ(module.TxWritten, 0) << count;
  }
  EXPECT_TRUE(ftdi.calls.empty());
}

TEST_F(Readers, BlockAddressesBeyondTwoBytesFailBeforeTouchingTheInterface) {
  for (const std::int32_t address : {-1, 65536, 0x7FFFFFFF, 65535}) {
    for (const auto operation : {&NIMBOmodule::ReadMemoryBlock, &NIMBOmodule::WriteMemoryBlock,
                                 &NIMBOmodule::VerifyMemoryBlock}) {
      ftdi.calls.clear();
      module.LinkStatus = 0;
      module.BlockAddress = address;
      (module.*operation)();
      EXPECT_EQ(module.LinkStatus, kLinkReadFailure) << address;  // 65535: times out
      EXPECT_EQ(ftdi.calls.empty(), address != 65535) << address;
    }
  }
  // A block that would not fit the image is refused before its request.
  module.BlockAddress = 0x20;
  module.BlockOffset = static_cast<std::int32_t>(kMemoryImageSize) - 10;
  ftdi.calls.clear();
  module.ReadMemoryBlock();
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_TRUE(ftdi.calls.empty());
}

}  // namespace
}  // namespace nimbo
