#include <atomic>
#include <iterator>

#include <cli/CliSignals.h>

namespace QuelvaneCli {

namespace {

std::atomic<int> caught_signal { 0 };
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler may only store lock-free");

extern "C" void NoteSignal(int signal_number)
{
    caught_signal.store(signal_number, std::memory_order_relaxed);
}

} // namespace

CliSignals::CliSignals()
{
    caught_signal.store(0);
    struct sigaction action { };
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    // Calls the signal cuts short are restarted: the run looks at the flag between files.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &earlier_[i]);
}

CliSignals::~CliSignals()
{
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &earlier_[i], nullptr);
}

int CliSignals::Caught()
{
    return caught_signal.load(std::memory_order_relaxed);
}

int CliSignals::ExitStatus()
{
    int signal_number = Caught();
    return signal_number == 0 ? 0 : 128 + signal_number;
}

} // namespace QuelvaneCli
