// "matrix get" and "matrix set TEXT": the LED Matrix String from the terminal.
#include <ostream>

#include "Commands.h"
#include "ledmatrix/MatrixString.h"
#include "ledmatrix/MatrixText.h"
#include "ledmatrix/MatrixTransfer.h"

namespace nimbo::cli {

namespace {

constexpr const char* kReadStep = "LED Matrix String read";
constexpr const char* kStoreStep = "LED Matrix String store";
constexpr const char* kUsage = "usage: matrix get | matrix set TEXT (one argument; quote it)";

// Reads the device copy; false after a one-line failure message.
bool ReadMatrix(Context& context) {
  ledmatrix::GetMatrixStringButton_Click(context.module);
  if (context.module.DeviceFound != kTrue) {
    ReportLinkFailure(context, kReadStep);
    return false;
  }
  return true;
}

int GetMatrix(Context& context) {
  if (!EnsureLink(context) || !ReadMatrix(context)) {
    return 1;
  }
  context.out << context.module.MatrixString << '\n';
  return 0;
}

int SetMatrix(Context& context, const std::string& text) {
  const ledmatrix::MatrixCodes converted = ledmatrix::TextToMatrixCodes(text);
  if (!converted.problem.empty()) {
    context.err << converted.problem << '\n';
    return 2;
  }
  // The store sends MemoryImage 0..1535; reading first keeps the device's
  // bytes after the 768-byte image as they are, as the window does.
  if (!EnsureLink(context) || !ReadMatrix(context)) {
    return 1;
  }
  NIMBOmodule& module = context.module;
  if (!ledmatrix::EncodeMatrixString(module, text)) {
    context.err << "The text cannot be stored.\n";  // not reached: checked above
    return 2;
  }
  module.MatrixString = text;
  ledmatrix::StoreMatrixStringButton_Click(module);
  // The store's own message went to the user interface; the status tells a failure.
  if (module.LinkStatus != 0) {
    return ReportLinkFailure(context, kStoreStep);
  }
  context.out << "Stored " << converted.codes.size() << " character(s).\n";
  return 0;
}

}  // namespace

int RunMatrixCommand(Context& context, std::span<const std::string> args) {
  if (args.size() == 1 && args[0] == "get") {
    return GetMatrix(context);
  }
  if (args.size() == 2 && args[0] == "set") {
    return SetMatrix(context, args[1]);
  }
  context.err << kUsage << '\n';
  return 2;
}

}  // namespace nimbo::cli
