// Where an installation puts the documents the program opens from beside itself.
#pragma once

#include <string>

namespace layer {

// A document named beside the program (a build folder keeps it there) that is
// not there is looked for where an installation puts it, LAYER_DOCUMENTS_FROM_PROGRAM
// from the program's folder: from <prefix>/bin to <prefix>/share/letterglass.
// Any other path, or one found nowhere, comes back as it is.
std::string InstalledDocument(const std::string& path);

}  // namespace layer
