#include "UpdateModeCheck.h"

#include "flasher/FirmwareUpdate.h"

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
  return flasher::AnswersInUpdateMode(module) ? std::string()
                                              : NotInUpdateModeReason(context, module);
}

}  // namespace nimbo::cli
