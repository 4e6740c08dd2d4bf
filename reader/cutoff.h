#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <sys/types.h>

namespace quorvane {

// Stops a piece of work from any thread: the part of it that runs under runWithin
// is cut off at once, as by a time-out, and every later look at its WorkBudget says
// it is spent. Cancelling twice, or after the work ended, does nothing.
class Cancellation
{
public:
    void cancel();
    bool cancelled() const { return m_cancelled.load(); }

private:
    friend class CancellationScope;

    std::mutex m_mutex;
    pid_t m_thread = 0; // the thread running work under runWithin, while it does
    std::atomic<bool> m_cancelled{false};
};

// The processor time that one piece of work may take on the calling thread, counted
// from the budget's making, and the cancellation it heeds (none when null).
class WorkBudget
{
public:
    WorkBudget(std::chrono::milliseconds limit, Cancellation* cancellation);

    // The processor time left; zero or less when spent.
    std::chrono::nanoseconds left() const;
    // Whether the work must stop now: its time is up or it was cancelled. It reads
    // the thread's clock, a system call: work that checks it does so every few
    // thousand steps.
    bool spent() const;
    Cancellation* cancellation() const { return m_cancellation; }

private:
    std::chrono::nanoseconds m_end;
    Cancellation* m_cancellation;
};

// Work that checks its budget every so many steps; step() throws WorkStopped once
// the budget is spent. Frames on the way out clean up as after any exception.
struct WorkStopped
{
};

class Pacer
{
public:
    explicit Pacer(const WorkBudget* budget) : m_budget(budget) {}

    void step()
    {
        if (++m_steps % StepsPerCheck == 0 && m_budget != nullptr && m_budget->spent()) {
            throw WorkStopped{};
        }
    }

private:
    static constexpr unsigned StepsPerCheck = 4096;
    const WorkBudget* m_budget;
    unsigned m_steps = 0;
};

// Runs work that may have to be stopped half-way: a third-party parser whose time
// grows with the square of the input's nesting, in loops that call nothing we could
// check a clock in. The work runs on the calling thread; when it outlasts what is
// left of the budget (in processor time) or the budget's cancellation is cancelled,
// a signal to that thread cuts it off at once, wherever it is, and runWithin returns
// false.
//
// So the work must be abandonable at any instruction: it may only change memory
// that the caller throws away when the run is cut off, its frames must need no
// clean-up, and it may call no function that takes a lock (malloc is one) except
// between holdCutoff and releaseCutoff. Linux only: the timer signals one thread.
bool runWithin(const WorkBudget& budget, void (*work)(void*), void* context);

// Called by the work: ends the run now, as a time-out would.
[[noreturn]] void cutOff();

// Between these two calls on the working thread a time-out waits; releaseCutoff
// then cuts the work off. They do not nest.
void holdCutoff();
void releaseCutoff();

} // namespace quorvane
