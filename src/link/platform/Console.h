// The command line and the console in UTF-8 on every system. Windows hands
// a program its arguments in the console's code page, shows the bytes it
// writes to the console in that code page, and turns "\n" into "\r\n" on
// the way; the program keeps UTF-8 and its bytes as they are.
#pragma once

#include <string>
#include <vector>

namespace nimbo::platform {

// The arguments after the program's name, in UTF-8: from the wide command
// line on Windows, whatever the code page; argv itself on POSIX.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// From here on, standard output and error carry the program's bytes
// unchanged, and a console window shows them as UTF-8 (its own code page
// comes back when the program ends through exit).
void UseUtf8Console();

enum class StandardStream { Output, Error };

// True when `stream` goes to a terminal or a console window.
bool IsTerminal(StandardStream stream);

}  // namespace nimbo::platform
