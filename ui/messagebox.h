#pragma once

#include <QString>
#include <functional>

namespace quorvane {

inline const QString ApplicationTitle = QStringLiteral("Quorvane");

// The two box styles the tool uses: OK alone, or OK with the critical-stop icon.
enum class MessageStyle : int
{
    Plain = 0,
    Critical = 16,
};

// Shows a modal message box. A box without a title of its own carries the
// application title; a text too long for the screen is cut, with "…".
void MsgBox(const QString& text, MessageStyle style = MessageStyle::Plain, const QString& title = {});

// Asks a question with Yes and No, No the default (Enter or Escape leaves things as they
// are); true for Yes. A question without a title of its own carries the application title.
bool AskYesNo(const QString& text, const QString& title = {});

// Tests see boxes through this instead of a real QMessageBox; the title they
// receive is already resolved. An empty handler restores the real box.
using MessageBoxHandler = std::function<void(const QString& text, MessageStyle style, const QString& title)>;
void setMessageBoxHandler(MessageBoxHandler handler);
// And questions through this, which answers true for Yes.
using QuestionHandler = std::function<bool(const QString& text, const QString& title)>;
void setQuestionHandler(QuestionHandler handler);

} // namespace quorvane
