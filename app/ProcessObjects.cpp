#include "app/ProcessObjects.h"

// Definition order is construction order within this file.
Pop3Client g_mailClient;
ProfileStore g_settings;
