#pragma once

#include <QPlainTextEdit>

namespace quorvane {

// The box a page's code is pasted into. Laying out a line of megabytes takes the
// window seconds, so a paste of HeldFrom characters or more is held as it is and
// the box shows only its start, with a line that says so; any change to the box
// lets go of it and starts the box empty.
class CodeBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    static constexpr qsizetype HeldFrom = 256 * 1024;
    static constexpr qsizetype ShownStart = 4000;

    explicit CodeBox(QWidget* parent = nullptr);

    // The code to read: the held paste, else what the box holds.
    QString code() const;

protected:
    void insertFromMimeData(const QMimeData* source) override;

private:
    void letGo();

    QString m_held;
    bool m_showingHeld = false; // while the box is given the start of the held paste
};

} // namespace quorvane
