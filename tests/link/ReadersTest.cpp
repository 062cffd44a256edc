// The reader loop, the send primitive and the refusal of counts that do not
// fit, on a transport that plays back scripted reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "ScriptedTransport.h"
#include "link/NimboModule.h"
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
  long CallCount(const std::string& name) const {
    return std::count(ftdi.calls.begin(), ftdi.calls.end(), name);
  }

  test::ScriptedTransport ftdi;
  test::RecordingUserInterface ui;
  NIMBOmodule module{ftdi, ui};
};

TEST_F(Readers, ReadReplyLoopOutcomes) {
  struct Case {
    const char* name;
    std::vector<test::ReadPiece> script;
    std::int32_t status;
    Flag timedOut;
    Flag failed;
    std::int32_t total;
  };
  const Case cases[] = {
      {"one piece", {{0, {'A', 'B', 'C'}}}, 0, kFalse, kFalse, 3},
      {"two pieces", {{0, {'A'}}, {0, {'B', 'C'}}}, 0, kFalse, kFalse, 3},
      {"status 4 with all bytes stays 4", {{4, {'A', 'B', 'C'}}}, 4, kFalse, kFalse, 3},
      {"status 4 then a clean read", {{4, {'A'}}, {0, {'B', 'C'}}}, 0, kFalse, kFalse, 3},
      {"status 4 and nothing is a time-out", {{4, {}}}, 8, kTrue, kFalse, 0},
      {"silence after one piece", {{0, {'A'}}, {0, {}}}, 8, kTrue, kFalse, 1},
      {"read error", {{0, {'A'}}, {3, {}}}, 8, kFalse, kTrue, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ftdi.reads.assign(c.script.begin(), c.script.end());
    module.RxBuffer.fill(0);
    module.RxCount = 3;
    ui.processEventsCount = 0;
    module.ReadReply();
    EXPECT_EQ(module.LinkStatus, c.status);
    EXPECT_EQ(module.RxTimedOut, c.timedOut);
    EXPECT_EQ(module.RxFailed, c.failed);
    EXPECT_EQ(module.RxTotal, c.total);
    const Bytes expected = Bytes{'A', 'B', 'C'};
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + c.total, module.RxBuffer.begin()));
    // Yields after each read that returned status 0 or 4, not after an error.
    const auto yields = std::count_if(c.script.begin(), c.script.end(),
                                      [](const auto& p) { return p.status == 0 || p.status == 4; });
    EXPECT_EQ(ui.processEventsCount, yields);
  }
}

TEST_F(Readers, BlockReadersDoNotYieldAndVerifyComparesEveryByte) {
  Bytes block(64);
  for (std::size_t i = 0; i < block.size(); ++i) {
    block[i] = static_cast<std::uint8_t>(3 * i + 1);
  }
  ftdi.reads = {{0, Bytes(block.begin(), block.begin() + 10)},
                {0, Bytes(block.begin() + 10, block.end())}};
  module.BlockOffset = 100;
  module.RxCount = 64;
  module.ReadBlockData();
  EXPECT_EQ(module.LinkStatus, 0);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), module.MemoryImage.begin() + 100));
  EXPECT_EQ(module.MemoryImage[99], 0);
  EXPECT_EQ(module.MemoryImage[164], 0);

  std::copy(block.begin(), block.end(), module.BlockOut.begin());
  ftdi.reads = {{0, block}};
  module.ReadVerifyData();
  EXPECT_EQ(module.LinkStatus, 0);

  Bytes lastDiffers = block;
  lastDiffers[63] ^= 0x80;
  ftdi.reads = {{0, lastDiffers}};
  module.ReadVerifyData();
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_EQ(module.BlockIn[63], lastDiffers[63]);  // the bytes read stay in BlockIn
  EXPECT_EQ(ui.processEventsCount, 0);
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
    // Plenty of bytes on offer, in case the reader reads.
    ftdi.reads = {{0, Bytes(4100, 0xAB)}};
    module.MemoryImage.assign(kMemoryImageSize, 0);
    module.RxBuffer.fill(0);
    module.BlockIn.fill(0);
    module.BlockOut.fill(0xAB);
    module.RxCount = c.rxCount;
    module.BlockOffset = c.offset;
    (module.*c.reader)();
    if (c.fits) {
      EXPECT_EQ(module.LinkStatus, 0);
      EXPECT_EQ(CallCount("Read"), 1);
    } else {
      EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
      EXPECT_EQ(module.RxFailed, kTrue);
      EXPECT_EQ(CallCount("Read"), 0);
      EXPECT_TRUE(std::all_of(module.MemoryImage.begin(), module.MemoryImage.end(),
                              [](auto b) { return b == 0; }));
      EXPECT_TRUE(std::all_of(module.RxBuffer.begin(), module.RxBuffer.end(),
                              [](auto b) { return b == 0; }));
    }
  }
}

TEST_F(Readers, SendFrameSendsTheFirstTxCountBytesOrNothing) {
  module.TxBuffer = {};
  module.TxBuffer[0] = 'I';
  module.TxBuffer[1] = 'F';
  module.TxCount = 2;
  module.SendFrame();
  EXPECT_EQ(module.LinkStatus, 0);
  EXPECT_EQ(module.TxWritten, 2);
  ASSERT_EQ(ftdi.writes.size(), 1u);
  EXPECT_EQ(ftdi.writes[0], (Bytes{'I', 'F'}));

  for (const std::int32_t count : {-1, 4097}) {
    module.TxCount = count;
    module.SendFrame();
    EXPECT_EQ(module.LinkStatus, kLinkReadFailure) << count;
    EXPECT_EQ(module.TxWritten, 0);
  }
  EXPECT_EQ(ftdi.writes.size(), 1u);
}

TEST_F(Readers, BlockAddressesBeyondTwoBytesFailBeforeTouchingTheInterface) {
  for (const std::int32_t address : {-1, 65536, 0x7FFFFFFF}) {
    for (const auto operation : {&NIMBOmodule::ReadMemoryBlock, &NIMBOmodule::WriteMemoryBlock,
                                 &NIMBOmodule::VerifyMemoryBlock}) {
      ftdi.calls.clear();
      module.LinkStatus = 0;
      module.BlockAddress = address;
      (module.*operation)();
      EXPECT_EQ(module.LinkStatus, kLinkReadFailure) << address;
      EXPECT_TRUE(ftdi.calls.empty()) << address;
    }
  }
}

TEST_F(Readers, ReadMemoryBlockRefusesAnOffsetOutsideTheImageBeforeSending) {
  module.BlockAddress = 0x20;
  module.BlockOffset = static_cast<std::int32_t>(kMemoryImageSize) - 10;
  module.ReadMemoryBlock();
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_TRUE(ftdi.calls.empty());
}

}  // namespace
}  // namespace nimbo
