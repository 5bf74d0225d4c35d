// --help and --version of the Linux entry.
#pragma once

namespace entry {

// When an argument asks for the usage or the version, prints it on standard
// output and returns true: the program then ends with code 0.
bool AnswerInformationRequest(int argc, char** argv);

}  // namespace entry
