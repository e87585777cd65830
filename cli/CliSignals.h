#pragma once

// The console's stop request: while an apply or a restore runs, SIGINT, SIGTERM and SIGHUP do
// not end the program at once, which would leave a file half written beside its temporary
// file. The handler only notes the signal (an atomic store, safe in a signal handler); the run
// finishes the file it is writing, stops, and the program ends with 128 + the signal's number
// (130, 143, 129), as a shell reports a program ended by it. Outside such a run the signals keep
// their default action.

#include <csignal>

namespace QuelvaneCli {

class CliSignals {
public:
    // Installs the handlers; the destructor puts the earlier ones back.
    CliSignals();
    ~CliSignals();
    CliSignals(const CliSignals&) = delete;
    CliSignals& operator=(const CliSignals&) = delete;

    // Whether a signal has come since the handlers were installed.
    static bool IsStopRequested() { return Caught() != 0; }
    // The signal that came, or 0.
    static int Caught();
    // 128 + the signal that came, or 0.
    static int ExitStatus();

private:
    static constexpr int kSignals[] = { SIGINT, SIGTERM, SIGHUP };
    struct sigaction earlier_[std::size(kSignals)] {};
};

} // namespace QuelvaneCli
