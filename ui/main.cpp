#include "buildconfig.h"
#include "deferredicons.h"
#include "form1.h"
#include "forms.h"
#include "messagebox.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(quorvane::ApplicationTitle);
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVANE_APP_ID));
    quorvane::deferRarePictures();
    quorvane::forms().form1.get()->show();
    return QApplication::exec();
}
