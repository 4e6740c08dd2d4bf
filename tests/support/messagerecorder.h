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

// Collects every message box and question instead of showing it, while it lives: each
// box is answered at once, each question with `answer`.
class MessageRecorder
{
public:
    MessageRecorder()
    {
        setMessageBoxHandler([this](const QString& text, MessageStyle style, const QString& title) {
            boxes.push_back({text, style, title});
        });
        setQuestionHandler([this](const QString& text, const QString& title) {
            questions.push_back({text, MessageStyle::Plain, title});
            return answer;
        });
    }
    ~MessageRecorder()
    {
        setMessageBoxHandler({});
        setQuestionHandler({});
    }

    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<RecordedBox> boxes;
    std::vector<RecordedBox> questions;
    bool answer = false;
};

} // namespace quorvane::testing
