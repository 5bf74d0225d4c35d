// What the Linux entry asks of USER32 about the termination signals.
#pragma once

namespace layer {

// The signal (SIGTERM, SIGINT or SIGHUP) that became WM_CLOSE for the
// program's window; 0 when none did. The entry dies from it once the window
// has closed its connection, so whoever sent it sees the signal's own end.
int ClosingSignal();

}  // namespace layer
