#include "idleprobe.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace quorvane::bench {

std::int64_t monotonicNanoseconds()
{
    // steady_clock is CLOCK_MONOTONIC with libstdc++ on Linux.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long peakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

void reportStartupAndQuit(std::int64_t mainEntered)
{
    std::printf("main=%lld idle=%lld hwm_kib=%ld\n", static_cast<long long>(mainEntered),
                static_cast<long long>(monotonicNanoseconds()), peakResidentKiB());
    std::fflush(stdout);
    QCoreApplication::quit();
}

IdleProbe::IdleProbe(WindowTest isWatched, QObject* parent)
    : QObject(parent), m_isWatched(std::move(isWatched))
{
    QCoreApplication::instance()->installEventFilter(this);
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &IdleProbe::aboutToBlock);
}

IdleProbe::~IdleProbe()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

void IdleProbe::whenIdle(std::function<void()> then)
{
    m_then = std::move(then);
}

bool IdleProbe::wait(int timeoutMs)
{
    if (m_idle) {
        return true;
    }
    QEventLoop loop;
    m_then = [&loop] { loop.quit(); };
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    m_then = nullptr;
    return m_idle;
}

bool IdleProbe::eventFilter(QObject* watched, QEvent* event)
{
    // Its own wake-up call is no work of the program's.
    if (watched == this) {
        return false;
    }
    m_busy = true;
    if (!m_painted && event->type() == QEvent::Paint) {
        const auto* widget = qobject_cast<const QWidget*>(watched);
        m_painted = widget && m_isWatched(widget->window());
    }
    return false;
}

void IdleProbe::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_wake.timerId()) {
        m_wake.stop();
    }
}

// The loop is about to wait for new events. A pass that delivered something may
// have queued more, so one more pass is forced with a zero timer; a pass that
// delivered nothing means the program has nothing left to do.
void IdleProbe::aboutToBlock()
{
    if (!m_painted || m_idle) {
        return;
    }
    if (m_busy) {
        m_busy = false;
        m_wake.start(0, this);
        return;
    }
    m_idle = true;
    if (m_then) {
        m_then();
    }
}

} // namespace quorvane::bench
