// How the Linux program ends on a termination signal: killed by it, as an X
// screen-saver daemon expects of a hack it stops (it logs any other end as
// abnormal).
#pragma once

namespace entry {

// In a daemon's window: SIGTERM kills the process at once, a network wait
// included; the connection goes with the process.
void DieAtOnceOnSigterm();

// After the message loop: when a termination signal closed the window (and
// with it the connection), the process dies from that signal.
void DieFromClosingSignal();

}  // namespace entry
