// "verify FILE [--reset-matrix]": whether the device holds what a flash of
// FILE would have left, read back without writing anything.
#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <string>

#include "BlockReport.h"
#include "Commands.h"
#include "FirmwareFileCheck.h"
#include "ProgressLines.h"
#include "ShownText.h"
#include "UpdateModeCheck.h"
#include "flasher/VerifyFirmware.h"

namespace nimbo::cli {
namespace {

int Verify(Context& context, const std::string& file, bool resetMatrix) {
  // The same file checks as a flash, before the device is touched.
  const FirmwareFileReport report = ExamineFirmwareFile(file);
  if (!report.problem.empty()) {
    return context.Fail(ShownName(file) + ": " + report.problem);
  }
  NIMBOmodule* module = context.OpenModule();
  if (module == nullptr) {
    return kFailure;
  }
  // A device in its normal firmware answers reads too: compared, it would
  // seem to hold other firmware. Refused as a flash refuses it.
  if (const std::string refusal = CheckUpdateMode(context, *module); !refusal.empty()) {
    return context.Fail(refusal);
  }
  ProgressLines progress(module->Ui(), context.Err(), IsTerminal(context.Err()), "Verifying...");
  const InterfaceSwap swap(*module, progress);
  const flasher::VerifyOutcome outcome = flasher::VerifyFirmware(
      *module, report.image,
      resetMatrix ? flasher::MatrixStringReset::Yes : flasher::MatrixStringReset::No);
  progress.EndProgressLine();
  switch (outcome.result) {
    case flasher::VerifyResult::Equal:
      context.Out() << "The device holds " << ShownName(file) << " (" << outcome.blocksCompared
                    << " blocks compared).\n";
      return kSuccess;
    case flasher::VerifyResult::Differs:
      return context.Fail("the device differs from " + ShownName(file) + " in " +
                          std::to_string(outcome.blocksDiffering) + " of " +
                          std::to_string(outcome.blocksCompared) + " blocks; the first is " +
                          BlockText(outcome.block, outcome.address) + ", " +
                          DifferenceText(outcome.address, *outcome.difference));
    case flasher::VerifyResult::ReadFailed:
      break;
  }
  return context.LinkFailure("reading " + BlockText(outcome.block, outcome.address));
}

}  // namespace

void AddVerifyCommand(CLI::App& app, Context& context) {
  CLI::App* verify = app.add_subcommand(
      "verify", "Compare the device's firmware with FILE, writing nothing (exit 1 if it differs)");
  auto file = std::make_shared<std::string>();
  auto resetMatrix = std::make_shared<bool>(false);
  verify->add_option("FILE", *file, "Firmware update file (.fwu)")->required();
  verify->add_flag("--reset-matrix", *resetMatrix,
                   "Compare the LED matrix text's area too, as a flash with --reset-matrix "
                   "leaves it");
  SetAction(*verify, context, "verify",
            [&context, file, resetMatrix] { return Verify(context, *file, *resetMatrix); });
}

}  // namespace nimbo::cli
