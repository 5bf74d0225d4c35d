// The program's entry: the screen-saver machinery starts it with a switch.
#include "app/Startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    return RunLetterglass(instance, commandLine, showCommand);
}
