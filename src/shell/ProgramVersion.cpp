#include "shell/ProgramVersion.h"

#include "shell/WorkingWindow.h"

namespace nimbo::shell {

ProgramVersionNumbers CurrentVersion() {
  // Set by the build from the project's version.
  return {NIMBO_VERSION_MAJOR, NIMBO_VERSION_MINOR, NIMBO_VERSION_PATCH};
}

QString FormatVersion(const ProgramVersionNumbers& version) {
  return QString::number(version.major) + QLatin1Char('.') + QString::number(version.minor) +
         QString::number(version.revision);
}

QString VersionText() {
  return FormatVersion(CurrentVersion());
}

QString ProgramTitle() {
  return QString::fromLatin1(kApplicationTitle) + QStringLiteral(" v") + VersionText();
}

QString WindowTitleSuffix(WindowId id) {
  switch (id) {
    case WindowId::Config:
      return QStringLiteral(" - Configuration");
    case WindowId::LedMatrix:
      return QStringLiteral(" - LED Matrix Control");
    case WindowId::Flasher:
      return QStringLiteral(" - Firmware Flasher");
  }
  return {};
}

}  // namespace nimbo::shell
