// The poll behind the solve's interruption points.
#include "framework/Interruption.h"

#include <atomic>

static std::atomic<InterruptPoll> installed{nullptr};

InterruptPoll setInterruptPoll(InterruptPoll poll) { return installed.exchange(poll); }

void interruptionPoint()
{
    InterruptPoll poll = installed.load(std::memory_order_relaxed);
    if (poll != nullptr && poll()) throw SolveInterrupted();
}
