#include "buildconfig.h"
#include "deferredicons.h"
#include "dormantaccessibility.h"
#include "earlyfonts.h"
#include "form1.h"
#include "forms.h"
#include "messagebox.h"
#include "networkwindows.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace {

// `quorvane migrate …`: the site move on the command line, no display needed. Its
// code is in the network module, loaded as the windows load it.
int runMigrate(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(quorvane::ApplicationTitle);
    QString problem;
    quorvane::NetworkWindows* module = quorvane::loadNetworkWindows(problem);
    if (!module) {
        std::fprintf(stderr,
                     "quorvane migrate: the PayPal module could not be loaded from %s (%s); reinstalling "
                     "Quorvane brings it back.\n",
                     qPrintable(quorvane::networkModulePath()), qPrintable(problem));
        return 5; // MigrateExit::NoModule
    }
    return module->runMigrateCommand(QCoreApplication::arguments().mid(2));
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "migrate") == 0) {
        return runMigrate(argc, argv);
    }
    quorvane::EarlyFonts fonts;
    QApplication app(argc, argv);
    fonts.wait();
    const quorvane::DormantAccessibility accessibility;
    QApplication::setApplicationName(quorvane::ApplicationTitle);
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVANE_APP_ID));
    quorvane::deferRarePictures();
    quorvane::forms().form1.get()->show();
    return QApplication::exec();
}
