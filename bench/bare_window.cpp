// The yardstick for start-up time and memory: the least a Qt Widgets program does
// to show a window of the main window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.setFixedSize(478, 562);
    window.show();
    return QApplication::exec();
}
