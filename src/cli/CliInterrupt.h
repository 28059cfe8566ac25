// zovcli's answer to Ctrl-C (SIGINT), a kill (SIGTERM) and a closed terminal (SIGHUP) while a
// command works on the board in boot mode (a download, a flash read, a store): each signal only
// asks the command to stop between two steps, so that the board is never left in the middle of
// a flash step, a download ends with "Download aborted!", the terminal gets its line ends back
// and nothing the command made is left behind. Left to their default action, SIGTERM and SIGHUP
// used to end the process on the spot.
//
// One guard at a time, on the main thread.
#pragma once

class CCliInterruptGuard {
public:
    // Catches the three signals until destruction (the previous actions are restored then).
    CCliInterruptGuard();
    ~CCliInterruptGuard();
    CCliInterruptGuard(const CCliInterruptGuard&) = delete;
    CCliInterruptGuard& operator=(const CCliInterruptGuard&) = delete;
};

// True once one of the signals arrived while a guard was in place. Any thread.
bool CliInterruptRequested();
