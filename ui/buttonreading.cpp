#include "buttonreading.h"

#include <memory>

namespace quorvane {

ButtonReading::ButtonReading(std::string code, QObject* parent) : QObject(parent)
{
    m_thread = std::thread([this, code = std::move(code)] {
        auto result = std::make_shared<Result>(ReadButtonCode(code, &m_cancellation));
        if (!m_cancellation.cancelled()) {
            // Posted: the event goes with this object if it is dropped first.
            QMetaObject::invokeMethod(
                this, [this, result] { emit finished(*result); }, Qt::QueuedConnection);
        }
    });
}

ButtonReading::~ButtonReading()
{
    m_cancellation.cancel();
    m_thread.join();
}

} // namespace quorvane
