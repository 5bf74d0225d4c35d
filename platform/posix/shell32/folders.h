// What the Linux entry asks of SHELL32's special folders.
#pragma once

namespace layer {

// From now on the process has no per-user folders: SHGetFolderPathA fails, so
// the settings are kept in the current folder (`--settings DIR`).
void ForgetUserFolders();

}  // namespace layer
