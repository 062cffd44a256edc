// The program's own version as the window titles and the about box show it.
#pragma once

#include <QString>

namespace nimbo::shell {

struct ProgramVersionNumbers {
  int major = 0;
  int minor = 0;
  int revision = 0;
};

// The running program's version (the build's project version).
ProgramVersionNumbers CurrentVersion();

// Major "." minor followed directly by the revision: 1.0.0 -> "1.00",
// 2.10.0 -> "2.100".
QString FormatVersion(const ProgramVersionNumbers& version);

// The application title, also used for message boxes of the start-up window.
inline constexpr const char* kApplicationTitle = "NIMBO Control";

}  // namespace nimbo::shell
