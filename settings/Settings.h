// The saver's settings: the file, its section, and the process's one store,
// bound to them by whoever reads or writes them first.
#pragma once

#include "settings/ProfileStore.h"

const char kSettingsFile[] = "screen.ini";
const char kSettingsSection[] = "zavuzozedi";

extern ProfileStore g_settings;
