// The floor for start-up time and memory: the bare window showing the main window's
// texts in the skin's font (BareTextWindow).
#include "baretextwindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    quorvane::bench::BareTextWindow window;
    window.show();
    return QApplication::exec();
}
