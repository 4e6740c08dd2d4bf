#pragma once

#include <QBasicTimer>
#include <QObject>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace quorvane::bench {

// Nanoseconds on CLOCK_MONOTONIC, the clock the parent process reads too, so a
// time printed here can be set against the moment the parent started this process.
std::int64_t monotonicNanoseconds();

// The process's peak resident set so far (VmHWM), in KiB.
long peakResidentKiB();

// Prints the start-up report of a probe, "main=<ns> idle=<ns> hwm_kib=<KiB>", with
// the time main() was entered and now, and quits the application.
void reportStartupAndQuit(std::int64_t mainEntered);

// Tells when a window has been painted and the event loop has then gone idle: after
// the first paint of a watched window, the first pass of the event loop that
// delivers nothing to anyone. Counting starts at construction, so make the probe
// before the step that shows or changes the window.
class IdleProbe : public QObject
{
    Q_OBJECT

public:
    using WindowTest = std::function<bool(const QWidget* window)>;

    explicit IdleProbe(WindowTest isWatched, QObject* parent = nullptr);
    ~IdleProbe() override;

    // Calls `then` from the event loop once idle.
    void whenIdle(std::function<void()> then);

    // Runs a nested event loop until idle; false if that takes over `timeoutMs`.
    bool wait(int timeoutMs);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void aboutToBlock();

    WindowTest m_isWatched;
    std::function<void()> m_then;
    QBasicTimer m_wake;
    bool m_painted = false;
    bool m_busy = false;
    bool m_idle = false;
};

} // namespace quorvane::bench
