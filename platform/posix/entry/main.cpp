// Linux entry. Takes its own options off the command line, then hands the rest,
// without the program's path, to WinMain, so `letterglass /s`, `-s` and `/c`
// behave as the .scr does on Windows. Its own options are the ones an X
// screen-saver daemon passes (xscreensaver runs each hack in a window it owns):
//   -root, --root              draw on the daemon's window, $XSCREENSAVER_WINDOW,
//                              else on the root window
//   -window-id ID, --window-id ID
//                              draw into that window (decimal or 0x hex)
//   -window, --window          the saver's own full-screen window, as /s
//   --settings DIR             the folder whose screen.ini is used
//   --help, --version          print the usage or the version and end
// They come off first: the switch scan would read "--settings" as "-s". An
// option without its value, or with one that cannot be used, ends the program
// with one line on stderr and exit code 2 before anything is shown.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/entry/information.h"
#include "platform/posix/shell32/folders.h"
#include "platform/posix/user32/termination.h"
#include "platform/posix/x11/x11_screen.h"
#include "platform/win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

namespace {

bool Is(const char* argument, const char* option) {
    return std::strcmp(argument, option) == 0 ||
           (argument[0] == '-' && std::strcmp(argument + 1, option) == 0);
}

int OptionError(const char* option, const std::string& problem) {
    std::fprintf(stderr, "letterglass: %s: %s\n", option, problem.c_str());
    return 2;
}

// The folder becomes the current one, whose screen.ini is then used whether or
// not it exists yet; the profile store takes paths of up to 255 bytes.
const char* UseSettingsFolder(const char* folder) {
    if (chdir(folder) != 0) return std::strerror(errno);
    char path[256];
    if (!getcwd(path, sizeof path))
        return errno == ERANGE ? "its path is longer than 255 bytes" : std::strerror(errno);
    layer::ForgetUserFolders();
    return nullptr;
}

// A window id as xscreensaver writes it: "0x" and hexadecimal digits, or
// decimal digits. Anything else is 0, which names no window.
unsigned long WindowId(const char* text) {
    if (!text || !*text) return 0;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char* end = nullptr;
    const unsigned long id = std::strtoul(hex ? text + 2 : text, &end, hex ? 16 : 10);
    return end && *end == '\0' && end != (hex ? text + 2 : text) ? id : 0;
}

// A termination signal became the window's close, which dropped the connection;
// the process then dies from that signal, as a screen-saver daemon expects of a
// hack it stops (it logs any other end as abnormal).
void DieFromClosingSignal() {
    const int number = layer::ClosingSignal();
    if (number == 0) return;
    signal(number, SIG_DFL);
    raise(number);
}

}  // namespace

int main(int argc, char** argv) {
    std::string commandLine;
    bool inGivenWindow = false;
    unsigned long window = 0;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (Is(argument, "-help") || std::strcmp(argument, "-h") == 0) {
            entry::PrintUsage();
            return 0;
        } else if (Is(argument, "-version")) {
            entry::PrintVersion();
            return 0;
        } else if (Is(argument, "-root")) {
            inGivenWindow = true;
            window = WindowId(std::getenv("XSCREENSAVER_WINDOW"));
        } else if (Is(argument, "-window-id")) {
            if (i + 1 == argc) return OptionError(argument, "needs a window id");
            inGivenWindow = true;
            window = WindowId(argv[++i]);
            if (window == 0) return OptionError(argument, std::string("no window id: ") + argv[i]);
        } else if (Is(argument, "-window")) {
            commandLine += commandLine.empty() ? "/s" : " /s";
        } else if (Is(argument, "-settings")) {
            if (i + 1 == argc) return OptionError(argument, "needs a folder");
            if (const char* problem = UseSettingsFolder(argv[++i]))
                return OptionError(argument, std::string(argv[i]) + ": " + problem);
        } else {
            if (!commandLine.empty()) commandLine += ' ';
            commandLine += argument;
        }
    }
    if (inGivenWindow) {
        if (!layer::UseGivenWindow(window)) return 0;
        commandLine = "/s";
    }
    const int code = WinMain(GetModuleHandleA(nullptr), nullptr, &commandLine[0], SW_SHOWNORMAL);
    DieFromClosingSignal();
    return code;
}
