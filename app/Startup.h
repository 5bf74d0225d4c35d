// Program entry logic: the switch scan and the three ways a start can go.
#pragma once

#include "platform/win32.h"

// Position after the switch character of the last "/option" or "-option" in the
// command line, comparing only the option's own length, case-sensitively; 0 if none.
int FindOption(const char* commandLine, const char* option);

// The entry sequence: /s runs the saver, /c the configuration dialog, anything
// else ends at once. Returns the process exit code.
int RunLetterglass(HINSTANCE instance, const char* commandLine, int showCommand);
