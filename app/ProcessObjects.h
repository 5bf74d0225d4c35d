// The process-wide objects, constructed before the entry runs: the mail client
// first (so it is destroyed last), then the settings store.
#pragma once

#include "pop3/Pop3Client.h"
#include "settings/ProfileStore.h"

extern Pop3Client g_mailClient;
extern ProfileStore g_settings;
