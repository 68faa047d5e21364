#include "platform/Interrupt.h"

#include <atomic>
#include <csignal>

namespace Interrupt {

namespace {
volatile std::sig_atomic_t g_signal = 0;

extern "C" void NoteSignal(int signal)
{
    g_signal = signal;
}
} // namespace

void Install()
{
    static std::atomic<bool> installed{false};
    if (installed.exchange(true))
        return;
    std::signal(SIGINT, NoteSignal);
    std::signal(SIGTERM, NoteSignal);
}

bool Requested()
{
    return g_signal != 0;
}

int Signal()
{
    return int(g_signal);
}

} // namespace Interrupt
