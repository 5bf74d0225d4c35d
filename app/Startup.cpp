#include "app/Startup.h"

#include <cstring>

#include "settings/Settings.h"
#include "resources/ResourceIds.h"
#include "ui/ConfigDialog.h"
#include "ui/SaverWindow.h"

namespace {

const char kClassName[] = "Letterglass";

int RunSaver(SaverWindow& saver, HINSTANCE instance, int showCommand) {
    LOGBRUSH black = {BS_SOLID, RGB(0, 0, 0), 0};
    HBRUSH background = CreateBrushIndirect(&black);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    saver.Setup(instance, nullptr, kClassName, 0);
    saver.RegisterWindowClass(IDI_LETTERGLASS, IDI_LETTERGLASS, 0, 0, background);
    saver.Create(WS_EX_TOPMOST, WS_POPUP, 0, 0, desktop.right, desktop.bottom, nullptr,
                 showCommand);
    return saver.RunMessageLoop();
}

void RunConfiguration(HINSTANCE instance) {
    g_settings.Bind(kSettingsFile, kSettingsSection);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, ConfigDialogProc, 0);
}

}  // namespace

int FindOption(const char* commandLine, const char* option) {
    std::size_t length = std::strlen(option);
    int found = 0;
    for (int i = 0; commandLine[i]; ++i) {
        if (commandLine[i] != '/' && commandLine[i] != '-') continue;
        if (std::strncmp(commandLine + i + 1, option, length) == 0) found = i + 1;
    }
    return found;
}

int RunLetterglass(HINSTANCE instance, const char* commandLine, int showCommand) {
    SaverWindow saver;
    if (!commandLine) commandLine = "";
    if (FindOption(commandLine, "s")) return RunSaver(saver, instance, showCommand);
    if (FindOption(commandLine, "c")) RunConfiguration(instance);
    return 0;
}
