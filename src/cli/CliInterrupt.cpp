#include "cli/CliInterrupt.h"

#include <csignal>
#include <iterator>

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[std::size(kSignals)];

void OnInterrupt(int)
{
    g_interrupted = 1;
}

}  // namespace

CCliInterruptGuard::CCliInterruptGuard()
{
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &action, &g_previous[i]);
    }
}

CCliInterruptGuard::~CCliInterruptGuard()
{
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &g_previous[i], nullptr);
    }
}

bool CliInterruptRequested()
{
    return g_interrupted != 0;
}
