#include <cassert>
#include <cstring>
#include <string>

// Before GLib, which defines TRUE and FALSE only when Windows' have not been.
#include "platform/posix/cp932/cp932.h"
#include "platform/posix/shell32/installed_document.h"
#include <shellapi.h>

#include <glib.h>

// ShellExecuteA (SHELL32)
// "open" hands the document to the desktop's opener; GLib starts it through an
// intermediate child that it reaps at once, so the opener never blocks the
// dialog and never lingers as a zombie. A document of the program's own is
// found where the installation put it.
HINSTANCE ShellExecuteA(HWND, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT) {
    const bool provided = (!verb || std::strcmp(verb, "open") == 0) && !parameters && !directory;
    assert(provided && "ShellExecuteA: only \"open\" without parameters or folder is provided");
    gboolean started = FALSE;
    if (provided && file && *file) {
        std::string address = layer::InstalledDocument(layer::Cp932ToUtf8(file, std::strlen(file)));
        char opener[] = "xdg-open";
        char* argv[] = {opener, &address[0], nullptr};
        const GSpawnFlags flags =
            static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL);
        started = g_spawn_async(nullptr, argv, nullptr, flags, nullptr, nullptr, nullptr, nullptr);
    }
    return reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(started ? 42 : SE_ERR_NOASSOC));
}
