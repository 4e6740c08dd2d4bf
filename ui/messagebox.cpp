#include "messagebox.h"

#include <QMessageBox>

namespace quorvane {

namespace {

MessageBoxHandler& messageBoxHandler()
{
    static MessageBoxHandler handler;
    return handler;
}

QuestionHandler& questionHandler()
{
    static QuestionHandler handler;
    return handler;
}

} // namespace

void MsgBox(const QString& text, MessageStyle style, const QString& title)
{
    const QString resolvedTitle = title.isEmpty() ? ApplicationTitle : title;
    if (const auto& handler = messageBoxHandler()) {
        handler(text, style, resolvedTitle);
        return;
    }
    const auto icon = style == MessageStyle::Critical ? QMessageBox::Critical : QMessageBox::NoIcon;
    QMessageBox box(icon, resolvedTitle, text, QMessageBox::Ok);
    box.exec();
}

void setMessageBoxHandler(MessageBoxHandler handler)
{
    messageBoxHandler() = std::move(handler);
}

bool AskYesNo(const QString& text, const QString& title)
{
    const QString resolvedTitle = title.isEmpty() ? ApplicationTitle : title;
    if (const auto& handler = questionHandler()) {
        return handler(text, resolvedTitle);
    }
    QMessageBox box(QMessageBox::Question, resolvedTitle, text, QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void setQuestionHandler(QuestionHandler handler)
{
    questionHandler() = std::move(handler);
}

} // namespace quorvane
