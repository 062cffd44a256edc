#include "app/DisplayFailureReport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace nimbo::app {

namespace {

// Qt's message handler is a plain function: it finds the live report's
// messages here.
std::vector<DisplayFailureReport::HeldMessage>* heldMessages = nullptr;

void Hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type != QtFatalMsg) {
    heldMessages->push_back({type, QByteArray(context.category), text});
    return;
  }
  // Qt's own account of the failure, such as "could not connect to display
  // :5", else the first thing it said.
  const std::vector<DisplayFailureReport::HeldMessage>& held = *heldMessages;
  auto told = std::find_if(held.begin(), held.end(), [](const auto& message) {
    return message.text.contains(QStringLiteral("display"), Qt::CaseInsensitive);
  });
  if (told == held.end()) {
    told = held.begin();
  }
  const QString reason =
      told == held.end() ? QString() : QStringLiteral(" (") + told->text.trimmed() + ')';
  const QByteArray line = QStringLiteral("nimbo-control: no display to show the windows on%1\n")
                              .arg(reason)
                              .toLocal8Bit();
  std::fputs(line.constData(), stderr);
  std::fflush(stderr);
  // Nothing has been opened yet (no link, no state file): end here, as the
  // abort would, but with the ordinary status of a failed start.
  std::_Exit(1);
}

}  // namespace

DisplayFailureReport::DisplayFailureReport() {
  heldMessages = &held_;
  previous_ = qInstallMessageHandler(Hold);
}

DisplayFailureReport::~DisplayFailureReport() {
  qInstallMessageHandler(previous_);
  heldMessages = nullptr;
  for (const HeldMessage& message : held_) {
    const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
    if (previous_ != nullptr) {
      previous_(message.type, context, message.text);
    }
  }
}

}  // namespace nimbo::app
