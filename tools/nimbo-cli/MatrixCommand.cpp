// "matrix read", "matrix write TEXT" and "matrix check TEXT": the LED Matrix
// String from the terminal ("get" and "set" are the older names of the first
// two).
#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "Commands.h"
#include "DeviceWrite.h"
#include "ProgressLines.h"
#include "ShownText.h"
#include "ledmatrix/EscapeCodes.h"
#include "ledmatrix/MatrixString.h"
#include "ledmatrix/MatrixText.h"
#include "ledmatrix/MatrixTransfer.h"

namespace nimbo::cli {
namespace {

constexpr const char* kReadStep = "LED Matrix String read";
constexpr const char* kStoreStep = "LED Matrix String store";
// About how long the device takes to store and verify the 24 blocks.
constexpr DeviceWrite::Duration kStoreDuration{0.5};

// Reads the device copy; nullptr after a failure message.
NIMBOmodule* ReadMatrix(Context& context) {
  NIMBOmodule* module = context.OpenModule();
  if (module == nullptr) {
    return nullptr;
  }
  ledmatrix::GetMatrixStringButton_Click(*module);
  if (module->DeviceFound != kTrue) {
    context.LinkFailure(kReadStep);
    return nullptr;
  }
  return module;
}

int ReadMatrixText(Context& context) {
  const NIMBOmodule* module = ReadMatrix(context);
  if (module == nullptr) {
    return kFailure;
  }
  // Files and pipes get the text as it is; a terminal never gets a control
  // character from the device.
  context.Out() << (context.OutIsTerminal() ? EscapeControls(module->MatrixString)
                                            : module->MatrixString)
                << '\n';
  return kSuccess;
}

// Lists the escape codes of `text` that do not match the legend, one a line:
// "%C at 12 needs six hex digits". Stored as given all the same.
int CheckMatrix(Context& context, const std::string& text) {
  const ledmatrix::MatrixCodes converted = ledmatrix::TextToMatrixCodes(text);
  const ledmatrix::EscapeScan scan = ledmatrix::ScanEscapeCodes(text);
  for (const ledmatrix::EscapeProblem& problem : scan.problems) {
    context.Out() << problem.message << '\n';
  }
  if (!converted.problem.empty()) {
    context.Out() << converted.problem << '\n';
  }
  if (!scan.problems.empty() || !converted.problem.empty()) {
    return kFailure;
  }
  context.Out() << "No problems (" << converted.codes.size() << " of " << ledmatrix::kMatrixCapacity
                << " characters).\n";
  return kSuccess;
}

int WriteMatrixText(Context& context, const std::string& text) {
  const ledmatrix::MatrixCodes converted = ledmatrix::TextToMatrixCodes(text);
  if (!converted.problem.empty()) {
    return context.Fail(converted.problem, kUsageError);
  }
  // The device decides what a code that does not match the legend does.
  for (const ledmatrix::EscapeProblem& problem : ledmatrix::ScanEscapeCodes(text).problems) {
    context.Err() << "nimbo-cli: " << context.Command() << ": warning: " << problem.message << '\n';
  }
  // The store sends MemoryImage 0..1535; reading first keeps the device's
  // bytes after the 768-byte image as they are, as the window does.
  NIMBOmodule* module = ReadMatrix(context);
  if (module == nullptr) {
    return kFailure;
  }
  if (!ledmatrix::EncodeMatrixString(*module, text)) {
    return context.Fail("the text cannot be stored", kUsageError);  // not reached: checked above
  }
  module->MatrixString = text;
  {
    // The store's own message box is kept, not printed: the failure is told
    // in one line of ours below. It shows no progress.
    ProgressLines kept(module->Ui(), context.Err(), false, kStoreStep);
    const InterfaceSwap swap(*module, kept);
    const DeviceWrite write(context, *module, "the LED matrix text store",
                            "stopped part-way, the device would show a text that is neither",
                            kStoreDuration);
    ledmatrix::StoreMatrixStringButton_Click(*module);
  }
  if (module->LinkStatus != 0) {
    return context.LinkFailure(kStoreStep, {},
                               "; the device may hold part of the new text: write it again");
  }
  context.WroteDevice("the LED matrix text store");
  context.Out() << "Stored " << converted.codes.size() << " character(s).\n";
  return kSuccess;
}

}  // namespace

void AddMatrixCommands(CLI::App& app, Context& context) {
  CLI::App* group = app.add_subcommand("matrix", "The text on the device's LED matrix");
  group->require_subcommand(1);

  CLI::App* read = group->add_subcommand(
      "read", "Print the LED matrix text (control characters escaped on a terminal)");
  read->alias("get");
  SetAction(*read, context, "matrix read", [&context] { return ReadMatrixText(context); });

  CLI::App* write =
      group->add_subcommand("write", "Store the LED matrix text, verifying every block");
  write->alias("set");
  auto text = std::make_shared<std::string>();
  write->add_option("TEXT", *text, "The text, as one argument (quote it; -- before a leading -)")
      ->required();
  SetAction(*write, context, "matrix write",
            [&context, text] { return WriteMatrixText(context, *text); });

  CLI::App* check = group->add_subcommand(
      "check", "List the escape codes that do not match the legend (exit 1 when there is one)");
  auto checked = std::make_shared<std::string>();
  check->add_option("TEXT", *checked, "The text, as one argument (quote it; -- before a leading -)")
      ->required();
  SetAction(*check, context, "matrix check",
            [&context, checked] { return CheckMatrix(context, *checked); });
}

}  // namespace nimbo::cli
