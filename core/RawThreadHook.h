#pragma once

// The process-wide crash guard. When the program crashes (a fatal signal, or std::terminate for
// an exception nobody caught) the guard hands a record of the crash to the current Handler,
// which writes a crash dump, and then lets the system's own crash handling go on: the default
// action of the signal runs, so a core file is still made where the system makes one.
//
// The guard covers every thread once installed; each thread that runs under RunGuarded gets
// its own signal stack as well, so a stack overflow can still be reported.

#include <cstdint>

namespace RawLayer {

class RawThreadHook {
public:
    // What is known of a crash when it is reported.
    struct ExceptionRecord {
        int signal = 0;                // the signal that ends the process (SIGABRT for terminate)
        const void* address = nullptr; // the faulting address of a fault, else null
        int64_t thread_id = 0;         // the system's id of the crashing thread
        const char* reason = "";       // a short text: how the signal came, or why terminate ran
    };

    class Handler {
    public:
        virtual ~Handler() = default;
        // Runs inside a signal handler, possibly on a small signal stack: it may use only
        // async-signal-safe calls and must not allocate.
        virtual void HandleException(const ExceptionRecord& record) = 0;
    };

    // The one handler of the process; null reports nothing.
    static void SetCurrent(Handler* handler);
    static Handler* Current();

    // Installs the signal handlers (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) and the terminate
    // handler for the whole process, and prepares the calling thread. May be called again.
    [[nodiscard]] static bool InstallProcessGuard();

    // Gives the calling thread a signal stack of its own for as long as it lives, unless it has
    // one already (a sanitizer's, or an earlier call's).
    static void PrepareThread();

    // Runs `body` on the calling thread under the guard: the thread is prepared first, and an
    // exception that escapes `body` ends in std::terminate, whose handler reports it. Worker
    // threads and the program's main body both run this way.
    template <typename Body> static auto RunGuarded(Body&& body) noexcept -> decltype(body())
    {
        PrepareThread();
        return body();
    }
};

} // namespace RawLayer
