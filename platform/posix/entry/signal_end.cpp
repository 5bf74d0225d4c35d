#include "platform/posix/entry/signal_end.h"

#include <signal.h>

#include "platform/posix/user32/termination.h"

namespace {

void Die(int number) {
    signal(number, SIG_DFL);
    raise(number);
}

void OnSigterm(int number) {
    Die(number);
}

}  // namespace

namespace entry {

void DieAtOnceOnSigterm() {
    struct sigaction action = {};
    action.sa_handler = OnSigterm;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
}

void DieFromClosingSignal() {
    if (const int number = layer::ClosingSignal()) Die(number);
}

}  // namespace entry
