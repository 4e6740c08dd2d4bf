// The yardstick for start-up time and memory: the least a Qt Widgets program does
// to show a window of the main window's size.
#include "form1_texts.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.setFixedSize(quorvane::bench::form1Width, quorvane::bench::form1Height);
    window.show();
    return QApplication::exec();
}
