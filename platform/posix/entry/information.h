// --help and --version of the Linux entry, on standard output.
#pragma once

namespace entry {

void PrintUsage();
void PrintVersion();

}  // namespace entry
