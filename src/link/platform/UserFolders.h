// Where the program may keep short-lived files of the user's, a key that
// tells the users of one system apart in shared folders, and where the
// program itself is installed.
#pragma once

#include <string>

namespace nimbo::platform {

// The folder for temporary files (UTF-8), as the environment names it:
// TMPDIR or /tmp on POSIX, TMP, TEMP or the profile's folder on Windows.
std::string TemporaryFolder();

// The user id on POSIX, the user's name on Windows.
std::string UserKey();

// The program's own file (UTF-8), as the system knows it; empty where it
// cannot tell.
std::string ProgramFile();

}  // namespace nimbo::platform
