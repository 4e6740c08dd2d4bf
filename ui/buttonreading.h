#pragma once

#include "buttonreader.h"
#include "cutoff.h"

#include <QObject>
#include <thread>
#include <variant>

namespace quorvane {

// One read of a pasted text, on a thread of its own rather than a shared pool, so a
// read nobody waits for any more never holds up the next. Dropping the reading
// cancels it and waits for its thread, which stops within milliseconds.
class ButtonReading : public QObject
{
    Q_OBJECT

public:
    using Result = std::variant<ReadButton, NotABuyNowButton>;

    explicit ButtonReading(std::string code, QObject* parent = nullptr);
    ~ButtonReading() override;
    ButtonReading(const ButtonReading&) = delete;
    ButtonReading& operator=(const ButtonReading&) = delete;

signals:
    // On the thread the reading lives in; never after the reading is dropped.
    void finished(const quorvane::ButtonReading::Result& result);

private:
    Cancellation m_cancellation;
    std::thread m_thread;
};

} // namespace quorvane
