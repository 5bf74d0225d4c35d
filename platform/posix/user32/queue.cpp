// USER32's thread message queue and window timers.
//
// Retrieval order, as in Windows: posted messages, then the quit request,
// then input, then WM_TIMER. Timer messages are never queued: an expired timer
// produces WM_TIMER only when nothing else waits, one at a time, so ticks that
// fall due while the program is busy or blocked coalesce into one.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

#include "platform/posix/backend/display.h"
#include "platform/posix/user32/termination.h"
#include "platform/posix/user32/user_private.h"

namespace {

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    std::uint64_t period;
    TIMERPROC procedure;
    std::uint64_t due;
};

// Windows raises shorter periods to USER_TIMER_MINIMUM and lowers longer ones
// to USER_TIMER_MAXIMUM, so every wait fits poll()'s int time-out.
const UINT kMinimumPeriod = 10;
const UINT kMaximumPeriod = 0x7FFFFFFF;

std::deque<MSG> posted;
std::deque<MSG> input;
std::vector<Timer> timers;  // in creation order, which breaks ties between equal deadlines
bool quitRequested = false;
int quitCode = 0;

int signalPipe[2] = {-1, -1};
bool watchingSignals = false;
const int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction previousActions[3];
volatile sig_atomic_t closingSignal = 0;  // the latest one that became WM_CLOSE

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return MSG{
        hwnd,       message, wParam, lParam, static_cast<DWORD>(layer::CurrentDisplay().Now()),
        POINT{0, 0}};
}

void OnTerminationSignal(int number) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(number);
    ssize_t ignored = write(signalPipe[1], &byte, 1);
    (void)ignored;
    errno = savedErrno;
}

// A screen locker or the terminal ends the saver with a signal: it becomes
// WM_CLOSE for the first window, as the system's close command would.
void TakeSignals() {
    if (signalPipe[0] < 0) return;
    char bytes[16];
    ssize_t count = 0;
    while ((count = read(signalPipe[0], bytes, sizeof bytes)) > 0) {
        if (HWND hwnd = layer::FirstLiveWindow()) {
            posted.push_back(MakeMessage(hwnd, WM_CLOSE, 0, 0));
            closingSignal = bytes[count - 1];
        }
    }
}

Timer* FindTimer(HWND hwnd, UINT_PTR id) {
    for (Timer& timer : timers)
        if (timer.hwnd == hwnd && timer.id == id) return &timer;
    return nullptr;
}

Timer* ExpiredTimer(std::uint64_t now) {
    Timer* earliest = nullptr;
    for (Timer& timer : timers)
        if (timer.due <= now && (!earliest || timer.due < earliest->due)) earliest = &timer;
    return earliest;
}

// The next tick stays on the timer's own cadence; missed ticks are dropped.
void RestartTimer(Timer* timer, std::uint64_t now) {
    const std::uint64_t missed = (now - timer->due) / timer->period;
    timer->due += (missed + 1) * timer->period;
}

// The range of message numbers a retrieval asks for; 0 to 0 is every message.
struct Filter {
    UINT first = 0;
    UINT last = 0;
    bool Takes(UINT message) const {
        return (first == 0 && last == 0) || (message >= first && message <= last);
    }
};

bool TakeFromQueue(std::deque<MSG>* queue, MSG* msg, bool remove, Filter filter) {
    for (auto it = queue->begin(); it != queue->end(); ++it) {
        if (!filter.Takes(it->message)) continue;
        *msg = *it;
        if (remove) queue->erase(it);
        return true;
    }
    return false;
}

// The quit request is handed out whatever the range, as Windows does.
bool FindMessage(MSG* msg, bool remove, Filter filter = Filter()) {
    TakeSignals();
    std::vector<layer::InputMessage> arrived;
    layer::CurrentDisplay().ReadInput(&arrived);
    for (const layer::InputMessage& m : arrived) {
        // A screen reports a window whose size changed under it, as Windows does.
        if (m.message == WM_SIZE) layer::ResizeWindow(m.hwnd, LOWORD(m.lParam), HIWORD(m.lParam));
        input.push_back(MakeMessage(m.hwnd, m.message, m.wParam, m.lParam));
    }
    if (TakeFromQueue(&posted, msg, remove, filter)) return true;
    if (quitRequested) {
        *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0);
        if (remove) quitRequested = false;
        return true;
    }
    if (TakeFromQueue(&input, msg, remove, filter)) return true;
    if (!filter.Takes(WM_TIMER)) return false;
    const std::uint64_t now = layer::CurrentDisplay().Now();
    Timer* timer = ExpiredTimer(now);
    if (!timer) return false;
    *msg =
        MakeMessage(timer->hwnd, WM_TIMER, timer->id, reinterpret_cast<LPARAM>(timer->procedure));
    if (remove) RestartTimer(timer, now);
    return true;
}

// Sleeps until input, a signal or the next timer deadline.
bool WaitForWork() {
    int timeout = -1;
    if (!timers.empty()) {
        std::uint64_t next = timers.front().due;
        for (const Timer& timer : timers)
            next = timer.due < next ? timer.due : next;
        const std::uint64_t now = layer::CurrentDisplay().Now();
        timeout = next <= now ? 0 : static_cast<int>(next - now);
    }
    return layer::CurrentDisplay().Wait(timeout, signalPipe[0]);
}

// A screen with no input of its own cannot wait without a deadline: the loop
// would hang for ever, so it ends the process loudly instead.
[[noreturn]] void RefuseEndlessWait(const char* call) {
    std::fprintf(stderr, "%s: no message, timer or input can ever arrive\n", call);
    std::abort();
}

}  // namespace

namespace layer {

void KillWindowTimers(HWND hwnd) {
    for (size_t i = timers.size(); i-- > 0;)
        if (timers[i].hwnd == hwnd) timers.erase(timers.begin() + static_cast<std::ptrdiff_t>(i));
}

void WatchTerminationSignals(bool watch) {
    if (watch == watchingSignals) return;
    if (signalPipe[0] < 0 && pipe2(signalPipe, O_NONBLOCK | O_CLOEXEC) != 0) return;
    for (int i = 0; i < 3; ++i) {
        if (watch) {
            // A signal the starter ignores (nohup's SIGHUP) stays ignored.
            sigaction(kTerminationSignals[i], nullptr, &previousActions[i]);
            if (previousActions[i].sa_handler != SIG_DFL) continue;
            struct sigaction action = {};
            action.sa_handler = OnTerminationSignal;
            sigemptyset(&action.sa_mask);
            sigaction(kTerminationSignals[i], &action, nullptr);
        } else {
            sigaction(kTerminationSignals[i], &previousActions[i], nullptr);
        }
    }
    watchingSignals = watch;
}

int ClosingSignal() {
    return closingSignal;
}

}  // namespace layer

// GetMessageA (USER32)
// Blocks until a message is there; returns 0 for WM_QUIT. Any window, no
// filter: the only way the program calls it.
BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    assert(!hwnd && !filterMin && !filterMax && "GetMessageA: filters are not implemented");
    (void)hwnd, (void)filterMin, (void)filterMax;
    while (!FindMessage(msg, true))
        if (!WaitForWork()) RefuseEndlessWait("GetMessageA");
    return msg->message != WM_QUIT;
}

// PeekMessageA (USER32)
// Reports whether a message in the range filterMin..filterMax (0..0: any)
// waits and, with PM_REMOVE, takes it; never waits. WM_QUIT comes whatever the
// range. Any window: a window filter is not implemented.
BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    assert(!hwnd && "PeekMessageA: window filters are not implemented");
    assert((removeFlags & ~PM_REMOVE) == 0 && "PeekMessageA: only PM_NOREMOVE and PM_REMOVE");
    (void)hwnd;
    return FindMessage(msg, (removeFlags & PM_REMOVE) != 0, Filter{filterMin, filterMax}) ? TRUE
                                                                                          : FALSE;
}

// TranslateAcceleratorA (USER32)
// No accelerator tables exist, so nothing is ever translated.
int TranslateAcceleratorA(HWND, HACCEL accelerators, LPMSG) {
    assert(!accelerators && "TranslateAcceleratorA: accelerator tables are not implemented");
    (void)accelerators;
    return 0;
}

// TranslateMessage (USER32)
// The only key message the screen delivers is Alt+F4's WM_SYSKEYDOWN, which
// makes no character.
BOOL TranslateMessage(const MSG*) {
    return FALSE;
}

// DispatchMessageA (USER32)
// Calls the window's procedure, or the timer's own procedure for a WM_TIMER
// of a timer that has one.
LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    WNDPROC procedure = layer::WindowProcedure(msg->hwnd);
    return procedure ? procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

// PostMessageA (USER32)
// Queued for a live window; posting to no window is not implemented.
BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    assert(hwnd && "PostMessageA: thread messages are not implemented");
    if (!layer::IsLiveWindow(hwnd)) return FALSE;
    posted.push_back(MakeMessage(hwnd, message, wParam, lParam));
    return TRUE;
}

// PostQuitMessage (USER32)
// Sets the quit request: the next retrieval after the posted messages is
// WM_QUIT with this code. A second call keeps the latest code.
void PostQuitMessage(int exitCode) {
    quitRequested = true;
    quitCode = exitCode;
}

// SetTimer (USER32)
// A window timer; an id that the window already uses restarts that timer with
// the new period. Returns the id, 0 for a window that does not exist.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC timerProc) {
    assert(hwnd && "SetTimer: thread timers are not implemented");
    if (!layer::IsLiveWindow(hwnd)) return 0;
    const std::uint64_t period = elapse < kMinimumPeriod   ? kMinimumPeriod
                                 : elapse > kMaximumPeriod ? kMaximumPeriod
                                                           : elapse;
    const std::uint64_t due = layer::CurrentDisplay().Now() + period;
    if (Timer* timer = FindTimer(hwnd, id))
        *timer = Timer{hwnd, id, period, timerProc, due};
    else
        timers.push_back(Timer{hwnd, id, period, timerProc, due});
    return id;
}

// KillTimer (USER32)
// Stops the timer; a tick it had due is dropped with it.
BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    for (size_t i = 0; i < timers.size(); ++i) {
        if (timers[i].hwnd == hwnd && timers[i].id == id) {
            timers.erase(timers.begin() + static_cast<std::ptrdiff_t>(i));
            return TRUE;
        }
    }
    return FALSE;
}
