#pragma once
#include "platform/posix/win_types.h"
