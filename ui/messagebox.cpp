#include "messagebox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>

namespace quorvane {

namespace {

// What a box takes besides its text: the title bar, margins and the OK button; and
// across, its margins and the room of an icon.
constexpr int BoxFrameHeight = 200;
constexpr int BoxFrameWidth = 100;
// No character is narrower: bounds how much text the screen can hold.
constexpr int NarrowestCharacter = 2;

// The text cut, with "…", where it would make the box taller than the screen. The
// box is half the screen wide, 500 pixels at most, when it wraps its text.
QString fittingTheScreen(const QString& text)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return text;
    }
    const QRect area = screen->availableGeometry();
    const int width = std::min(area.width() / 2, 500) - BoxFrameWidth;
    const int height = area.height() - BoxFrameHeight;
    const QFontMetrics metrics(QApplication::font("QMessageBox"));
    const auto fits = [&](const QString& shown) {
        const QRect room(0, 0, width, std::max(height, 0) * 4);
        return metrics.boundingRect(room, Qt::TextWordWrap | Qt::TextWrapAnywhere, shown).height() <= height;
    };
    const qsizetype most = qsizetype(width / NarrowestCharacter) * (height / metrics.lineSpacing() + 1);
    if (text.size() <= most && fits(text)) {
        return text;
    }
    qsizetype low = 0; // shown with "…" it fits
    qsizetype high = std::min(text.size(), most);
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (fits(text.left(middle) + QChar(0x2026))) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return text.left(low) + QChar(0x2026);
}

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
    const QString shown = fittingTheScreen(text);
    if (const auto& handler = messageBoxHandler()) {
        handler(shown, style, resolvedTitle);
        return;
    }
    const auto icon = style == MessageStyle::Critical ? QMessageBox::Critical : QMessageBox::NoIcon;
    QMessageBox box(icon, resolvedTitle, shown, QMessageBox::Ok);
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
