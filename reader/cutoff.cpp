#include "cutoff.h"

#include <csetjmp>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quorvane {

namespace {

// A real-time signal of our own; glibc keeps those below SIGRTMIN for itself.
int cutoffSignal()
{
    return SIGRTMIN + 7;
}

// The working thread's run, read by the signal handler on that same thread. Plain
// thread-local objects, so the handler touches no lazily made state.
thread_local sigjmp_buf* t_running = nullptr;
thread_local volatile std::sig_atomic_t t_held = 0;
thread_local volatile std::sig_atomic_t t_timedOut = 0;

void onSignal(int)
{
    sigjmp_buf* const target = t_running;
    if (target == nullptr) {
        return; // the run ended before the signal came
    }
    if (t_held != 0) {
        t_timedOut = 1;
        return;
    }
    t_running = nullptr; // a second signal, of the timer and a cancel both, finds no run
    siglongjmp(*target, 1);
}

void installHandler()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(cutoffSignal(), &action, nullptr);
    });
}

// A one-shot timer on the time this thread has run, which signals it alone: a busy
// machine makes the wait longer, not the work more likely to be cut off. When no
// timer can be made, the work runs without a limit.
class ThreadTimer
{
public:
    explicit ThreadTimer(std::chrono::nanoseconds limit)
    {
        sigevent event = {};
        event.sigev_notify = SIGEV_THREAD_ID;
        event.sigev_signo = cutoffSignal();
        event._sigev_un._tid = gettid();
        m_armed = timer_create(CLOCK_THREAD_CPUTIME_ID, &event, &m_timer) == 0;
        if (m_armed) {
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit);
            itimerspec when = {};
            when.it_value.tv_sec = static_cast<time_t>(seconds.count());
            when.it_value.tv_nsec = static_cast<long>((limit - seconds).count());
            timer_settime(m_timer, 0, &when, nullptr);
        }
    }
    ~ThreadTimer()
    {
        if (m_armed) {
            timer_delete(m_timer);
        }
    }
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

private:
    timer_t m_timer = {};
    bool m_armed = false;
};

// The jump target lives in this frame, which holds nothing that needs clean-up.
bool runGuarded(sigjmp_buf& target, void (*work)(void*), void* context, const Cancellation* cancellation)
{
    if (sigsetjmp(target, 1) != 0) {
        return false;
    }
    t_running = &target;
    // A cancel whose signal came before the line above found nothing to cut off.
    if (cancellation != nullptr && cancellation->cancelled()) {
        t_running = nullptr;
        return false;
    }
    work(context);
    // A time-out that comes before this still lands in this frame, and the
    // finished work is thrown away.
    t_running = nullptr;
    return true;
}

std::chrono::nanoseconds threadTime()
{
    timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

} // namespace

// While it lives, cancelling signals the calling thread; a cancel that came before
// it counts as soon as the run starts.
class CancellationScope
{
public:
    explicit CancellationScope(Cancellation* cancellation) : m_cancellation(cancellation)
    {
        if (m_cancellation != nullptr) {
            const std::lock_guard lock(m_cancellation->m_mutex);
            m_cancellation->m_thread = gettid();
        }
    }
    ~CancellationScope()
    {
        if (m_cancellation != nullptr) {
            const std::lock_guard lock(m_cancellation->m_mutex);
            m_cancellation->m_thread = 0;
        }
    }
    CancellationScope(const CancellationScope&) = delete;
    CancellationScope& operator=(const CancellationScope&) = delete;

private:
    Cancellation* m_cancellation;
};

void Cancellation::cancel()
{
    const std::lock_guard lock(m_mutex);
    m_cancelled.store(true);
    if (m_thread != 0) {
        // The thread is inside its scope, so alive: the id names no other thread.
        syscall(SYS_tgkill, getpid(), m_thread, cutoffSignal());
    }
}

WorkBudget::WorkBudget(std::chrono::milliseconds limit, Cancellation* cancellation)
    : m_end(threadTime() + limit), m_cancellation(cancellation)
{
}

std::chrono::nanoseconds WorkBudget::left() const
{
    return m_end - threadTime();
}

bool WorkBudget::spent() const
{
    return (m_cancellation != nullptr && m_cancellation->cancelled()) || left().count() <= 0;
}

bool runWithin(const WorkBudget& budget, void (*work)(void*), void* context)
{
    installHandler();
    t_held = 0;
    t_timedOut = 0;
    sigset_t signal;
    sigemptyset(&signal);
    sigaddset(&signal, cutoffSignal());
    sigset_t before;
    pthread_sigmask(SIG_UNBLOCK, &signal, &before); // a thread pool may block it
    sigjmp_buf target;
    bool finished = false;
    {
        const CancellationScope scope(budget.cancellation());
        const std::chrono::nanoseconds left = budget.left();
        if (!budget.spent()) {
            const ThreadTimer timer(left);
            finished = runGuarded(target, work, context, budget.cancellation());
        }
    }
    t_running = nullptr;
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return finished;
}

void cutOff()
{
    sigjmp_buf* const target = t_running;
    t_running = nullptr;
    siglongjmp(*target, 1);
}

void holdCutoff()
{
    t_held = 1;
}

void releaseCutoff()
{
    t_held = 0;
    if (t_timedOut != 0) {
        cutOff();
    }
}

} // namespace quorvane
