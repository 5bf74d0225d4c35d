// The process's one mail connection.
#pragma once

#include "pop3/Pop3Client.h"

extern Pop3Client g_mailClient;
