#include "platform/posix/entry/information.h"

#include <cstdio>

#include "resources/Version.h"

namespace {

const char kUsage[] =
    "Usage: letterglass [OPTION]... /s | /c\n"
    "Watches one POP3 mailbox: at each check it types the exchange and the\n"
    "subjects of the messages onto a black screen.\n"
    "\n"
    "  /s, -s            run the saver full screen until the mouse moves or clicks\n"
    "  /c, -c            the settings dialog\n"
    "  -root, --root     draw in xscreensaver's window ($XSCREENSAVER_WINDOW),\n"
    "                    else on the root window\n"
    "  -window-id ID     draw into that X window (decimal or 0x hex)\n"
    "  -window           the saver's own full-screen window, as /s\n"
    "  --settings DIR    the folder whose screen.ini is used (default: the\n"
    "                    current folder when it holds one, else\n"
    "                    $XDG_CONFIG_HOME/letterglass, ~/.config/letterglass)\n"
    "  --help            this text\n"
    "  --version         the version\n"
    "\n"
    "See letterglass(1).\n";

}  // namespace

namespace entry {

void PrintUsage() {
    std::fputs(kUsage, stdout);
}

void PrintVersion() {
    std::printf("letterglass %s\n", LG_VERSION_TEXT);
}

}  // namespace entry
