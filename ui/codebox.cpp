#include "codebox.h"

#include <QLocale>
#include <QMimeData>

namespace quorvane {

CodeBox::CodeBox(QWidget* parent) : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showingHeld && !m_held.isEmpty()) {
            letGo();
        }
    });
}

QString CodeBox::code() const
{
    return m_held.isEmpty() ? toPlainText() : m_held;
}

void CodeBox::insertFromMimeData(const QMimeData* source)
{
    const QString text = source->text();
    if (text.size() < HeldFrom) {
        if (!m_held.isEmpty()) {
            letGo(); // it goes in place of the held paste, not into its start
        }
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    m_held = text;
    m_showingHeld = true;
    setPlainText(text.left(ShownStart) +
                 QStringLiteral("\n\n[… the rest of the %1 characters pasted, not shown]")
                     .arg(QLocale(QLocale::English).toString(text.size())));
    m_showingHeld = false;
}

void CodeBox::letGo()
{
    m_held.clear();
    m_showingHeld = true;
    clear();
    m_showingHeld = false;
}

} // namespace quorvane
