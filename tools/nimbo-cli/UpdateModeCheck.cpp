#include "UpdateModeCheck.h"

namespace nimbo::cli {

std::string NotInUpdateModeReason(Context& context, NIMBOmodule& module) {
  // Only silence is the normal firmware not knowing "IF".
  if (const std::string failure = context.InfoFailureText(module); !failure.empty()) {
    return "the device check failed: " + failure;
  }
  if (module.LinkStatus == 0) {
    return "the device answered \"IF\" with firmware version 0.0, which the flasher takes for no "
           "answer";
  }
  return "the device is not in update mode: " + context.UpdateModeHint();
}

std::string CheckUpdateMode(Context& context, NIMBOmodule& module) {
  // Only a fresh answer counts, as in the flasher's check.
  module.FirmwareMajor = 0;
  module.FirmwareMinor = 0;
  module.ReadDeviceInfo();
  if (module.LinkStatus == 0 && (module.FirmwareMajor != 0 || module.FirmwareMinor != 0)) {
    return {};
  }
  return NotInUpdateModeReason(context, module);
}

}  // namespace nimbo::cli
