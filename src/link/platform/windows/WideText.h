// Windows speaks UTF-16 at its system calls; the program keeps UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "link/platform/SystemError.h"

namespace nimbo::platform {

// nullopt with `error` set for bytes that are not UTF-8.
std::optional<std::wstring> WideFromUtf8(const std::string& text, SystemError& error);
std::string Utf8FromWide(const std::wstring& text);

// A file name for the system's calls: as WideFromUtf8, with every "/" turned
// into the "\\" that some calls (ReplaceFileW, LoadLibraryExW) insist on;
// a name given verbatim ("\\\\?\\...") stays as it is.
std::optional<std::wstring> WidePath(const std::string& path, SystemError& error);

// The calling thread's last error (GetLastError), in the system's words,
// with `subject` where the words name the file ("%1 is not a valid Win32
// application").
SystemError LastSystemError(std::string_view subject = "the file");

}  // namespace nimbo::platform
