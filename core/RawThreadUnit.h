#pragma once

// A background unit: an object whose work runs on a thread of its own. The owner (the window
// thread) starts it, may ask it to stop, and waits for it; the work polls the stop request.
//
// Locks: the run lock is held by the worker for the whole of Run and Finished; the state lock
// guards the flags and the thread for short updates only. The run lock is always taken before
// the state lock, never the other way about.
//
// The worker's body runs under the crash guard (RawThreadHook::RunGuarded): an exception that
// escapes Run or Finished writes a crash dump and ends the process.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace RawLayer {

class RawThreadUnit {
public:
    RawThreadUnit() = default;
    // The owner should wait for a running unit before letting it go. If it does not, the
    // destructor asks the work to stop and waits for it rather than leave a thread running on
    // a freed object; but by then the derived part is gone, so a unit whose Run uses its own
    // members must call StopAndWait in its own destructor.
    virtual ~RawThreadUnit();
    RawThreadUnit(const RawThreadUnit&) = delete;
    RawThreadUnit& operator=(const RawThreadUnit&) = delete;

    // The work, on the worker thread.
    virtual void Run() = 0;
    // Called on the worker thread after Run returns, and on the starting thread when no thread
    // could be made.
    virtual void Finished() { }
    // A hook for derived units; the unit itself never calls it.
    virtual void OnIdle() { }

    // Starts the work on a new thread. False when the unit is running (it is left alone), or
    // when no thread could be made (Finished has then run on this thread, and the unit is idle).
    bool Start();
    // Asks the work to end early. Every start clears the request.
    void RequestStop();
    bool IsStopRequested() const;
    bool IsRunning() const;
    bool IsFinished() const;
    // Returns once the body started last has ended, Finished included (at once when idle, or
    // when called on the unit's own thread, which cannot wait for itself).
    void Wait();
    // Asks a running body to stop and waits for it; then no thread of the unit is left.
    void StopAndWait();

    // The priority applied when the thread starts: 0 leaves the system's default; otherwise the
    // thread's nice value becomes -priority (clamped to -20..19), so a positive value raises it
    // where the process may, and a negative one lowers it. Best effort.
    void SetPriority(int32_t priority);
    int32_t Priority() const;

protected:
    // Makes the next Start fail as if the system had no thread to give, so that path can be
    // tested: the real failure handling runs.
    void FailNextThreadCreation();

private:
    void Body();
    bool CreateThread();
    // Joins `thread` unless it is the calling thread, which ends by itself.
    static void Release(std::thread& thread);

    mutable std::mutex state_lock_;
    std::mutex run_lock_;
    // Signalled under the state lock when running drops to 0.
    std::condition_variable idle_;
    std::thread thread_;
    int32_t priority_ = 0;
    uint8_t starting_ = 0;
    uint8_t stop_requested_ = 0;
    uint8_t running_ = 0;
    uint8_t finished_ = 0;
    bool fail_next_creation_ = false;
};

} // namespace RawLayer
