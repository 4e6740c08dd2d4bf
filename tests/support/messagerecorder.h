#pragma once

#include "messagebox.h"

#include <QString>
#include <vector>

namespace quorvane::testing {

struct RecordedBox
{
    QString text;
    MessageStyle style;
    QString title;
};

// Collects every message box instead of showing it, while it lives: each box is
// answered at once.
class MessageRecorder
{
public:
    MessageRecorder()
    {
        setMessageBoxHandler([this](const QString& text, MessageStyle style, const QString& title) {
            boxes.push_back({text, style, title});
        });
    }
    ~MessageRecorder() { setMessageBoxHandler({}); }

    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<RecordedBox> boxes;
};

} // namespace quorvane::testing
