#pragma once

#include <QWidget>

namespace quorvane {

// A top-level window of the tool. Closing it, by a button or the title bar,
// unloads it: the widget is deleted and whoever holds its slot forgets it.
class Form : public QWidget
{
    Q_OBJECT

public:
    explicit Form(QWidget* parent = nullptr);

    // Shows the window in front and active, brought back if it was minimized.
    void bringBack();

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace quorvane
