#include <core/RawThreadHook.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

#include <sys/syscall.h>
#include <unistd.h>

namespace RawLayer {

namespace {

constexpr int kCrashSignals[] = { SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT };
constexpr std::size_t kSignalStackSize = 64 * 1024;

std::atomic<RawThreadHook::Handler*> current_handler { nullptr };
// The thread that is reporting a crash, 0 while none is.
std::atomic<pid_t> reporting_thread { 0 };

pid_t CurrentThreadId()
{
    return static_cast<pid_t>(syscall(SYS_gettid));
}

// The signal stack of one thread, given back when the thread ends.
class SignalStack {
public:
    void Create()
    {
        long wanted = sysconf(_SC_SIGSTKSZ);
        std::size_t size = std::max(kSignalStackSize, wanted > 0 ? static_cast<std::size_t>(wanted) : 0);
        memory_ = std::make_unique<char[]>(size);
        stack_t stack {};
        stack.ss_sp = memory_.get();
        stack.ss_size = size;
        if (sigaltstack(&stack, nullptr) != 0)
            memory_.reset();
    }
    ~SignalStack()
    {
        if (memory_ == nullptr)
            return;
        stack_t off {};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
    }

private:
    std::unique_ptr<char[]> memory_;
};

thread_local SignalStack signal_stack;

void RestoreDefault(int signal)
{
    struct sigaction action { };
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

// Hands the record to the handler, once per process. A second crash on the reporting thread
// (the handler itself failed) goes straight on to the default action; a crash on another
// thread waits, because the reporting thread is about to end the process.
void Report(const RawThreadHook::ExceptionRecord& record)
{
    pid_t expected = 0;
    if (!reporting_thread.compare_exchange_strong(expected, static_cast<pid_t>(record.thread_id))) {
        if (expected == record.thread_id)
            return;
        for (;;)
            pause();
    }
    if (RawThreadHook::Handler* handler = current_handler.load())
        handler->HandleException(record);
}

void OnCrashSignal(int signal, siginfo_t* info, void* /*context*/)
{
    RawThreadHook::ExceptionRecord record;
    record.signal = signal;
    record.thread_id = CurrentThreadId();
    // Only a signal the kernel raised for a fault carries an address; one sent by raise, abort
    // or kill carries the sender instead.
    if (info != nullptr && info->si_code > 0) {
        record.address = info->si_addr;
        record.reason = "fault";
    } else {
        record.reason = "signal sent by the program or another process";
    }
    Report(record);
    // The signal is blocked while this handler runs: raised again, it is delivered with the
    // default action as soon as the handler returns.
    RestoreDefault(signal);
    raise(signal);
}

// Describes the exception that is being handled, if any, into `reason`.
void DescribeCurrentException(char* reason, std::size_t capacity)
{
    std::exception_ptr current = std::current_exception();
    if (current == nullptr) {
        std::snprintf(reason, capacity, "std::terminate called without an active exception");
        return;
    }
    try {
        std::rethrow_exception(current);
    } catch (const std::exception& exception) {
        std::snprintf(
            reason, capacity, "std::terminate called for an uncaught exception: %s", exception.what());
    } catch (...) {
        std::snprintf(reason, capacity, "std::terminate called for an uncaught exception of unknown type");
    }
}

[[noreturn]] void OnTerminate()
{
    static char reason[512];
    DescribeCurrentException(reason, sizeof reason);
    RawThreadHook::ExceptionRecord record;
    record.signal = SIGABRT;
    record.thread_id = CurrentThreadId();
    record.reason = reason;
    Report(record);
    // The report is written: abort must end the process without a second one.
    RestoreDefault(SIGABRT);
    std::abort();
}

} // namespace

void RawThreadHook::SetCurrent(Handler* handler)
{
    current_handler.store(handler);
}

RawThreadHook::Handler* RawThreadHook::Current()
{
    return current_handler.load();
}

bool RawThreadHook::InstallProcessGuard()
{
    PrepareThread();
    struct sigaction action { };
    action.sa_sigaction = OnCrashSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    bool installed = true;
    for (int signal : kCrashSignals)
        installed = sigaction(signal, &action, nullptr) == 0 && installed;
    std::set_terminate(OnTerminate);
    return installed;
}

void RawThreadHook::PrepareThread()
{
    stack_t current {};
    if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0)
        return;
    signal_stack.Create();
}

} // namespace RawLayer
