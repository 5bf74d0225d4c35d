// Checks on the program's Winsock use that tests share.
#pragma once

// Winsock start-ups not yet matched by a clean-up. Natively the Linux layer's
// exact count. In the Windows build Winsock keeps its count to itself: 1 when
// a socket can still be made without a start-up of our own, else 0; call it
// when no ScriptedPop3Peer (which starts Winsock too) is alive.
int OutstandingStartups();
