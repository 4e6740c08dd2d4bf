#include "messagebox.h"

#include <QMessageBox>

namespace quorvane {

namespace {

MessageBoxHandler& messageBoxHandler()
{
    static MessageBoxHandler handler;
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

} // namespace quorvane
