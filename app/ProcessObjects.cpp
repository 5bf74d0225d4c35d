// The process-wide objects, constructed before the entry runs: the mail client
// first, so it is destroyed last, then the settings store. Definition order is
// construction order within this file.
#include "pop3/MailClient.h"
#include "settings/Settings.h"

Pop3Client g_mailClient;
ProfileStore g_settings;
