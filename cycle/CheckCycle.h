// The check cycle: a state machine advanced by timer ticks that runs one POP3
// exchange per check and composes the lines the saver window types.
#pragma once

#include "platform/win32.h"

enum CycleTimer : UINT_PTR {
    kStepTimer = 1,   // runs one step of the state table
    kCheckTimer = 2,  // starts a new check when the cycle is idle
    kDrawTimer = 3,   // types one byte, or draws one wipe line
};

const UINT kStepInterval = 100;
const UINT kDrawInterval = 10;
const UINT kCheckUnit = 20000;  // CHECK counts units of 20 seconds

// The cycle's process-wide state, shared with the saver window that draws it.
struct CheckCycleState {
    static const int kLineSize = 4096;

    int state = 1;
    char host[256] = {};
    int port = 110;
    int tls = 0;  // 1: POP3 over TLS
    char user[256] = {};
    char password[256] = {};
    int messageCount = 0;
    int messageIndex = 0;
    char displayLine[kLineSize] = {};
    int lineLength = 0;
    int typedCount = 0;
    char subject[kLineSize] = {};
    int wipeDirection = 0;
    int wipePosition = 0;
    UINT checkInterval = kCheckUnit;
    unsigned int randomState = 1;  // the C runtime's rand generator, seed 1
};

extern CheckCycleState g_cycle;

void StartCheckCycle(HWND window);
void OnStepTick(HWND window);
void OnCheckTick();
void ComposeDisplayLine(const char* prefix, const char* body, const char* suffix);
// The C runtime's rand: state * 214013 + 2531011, bits 16 to 30.
int NextRandom();
