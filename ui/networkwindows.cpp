#include "networkwindows.h"

#include "buildconfig.h"
#include "messagebox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace quorvane {

namespace {

NetworkWindows*& currentWindows()
{
    static NetworkWindows* windows = nullptr;
    return windows;
}

} // namespace

QString networkModulePath()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                           QStringLiteral(QUORVANE_NETWORK_MODULE));
}

NetworkWindows* loadNetworkWindows(QString& problem)
{
    if (currentWindows()) {
        return currentWindows();
    }
    const QString path = networkModulePath();
    if (!QFileInfo::exists(path)) {
        problem = QStringLiteral("the file is missing");
        return nullptr;
    }
    // The module stays loaded once loaded: its windows live on in the program.
    QPluginLoader loader(path);
    QObject* instance = loader.instance();
    auto* windows = qobject_cast<NetworkWindows*>(instance);
    if (!windows) {
        problem = instance ? QStringLiteral("it is not this version's module") : loader.errorString();
        loader.unload();
        return nullptr;
    }
    currentWindows() = windows;
    return windows;
}

NetworkWindows* networkWindows()
{
    QString problem;
    NetworkWindows* windows = loadNetworkWindows(problem);
    if (!windows) {
        MsgBox(QStringLiteral("Error: The PayPal windows could not be loaded from %1 (%2). Reinstalling "
                              "Quorvane brings them back; everything else works as before.")
                   .arg(QDir::toNativeSeparators(networkModulePath()), problem),
               MessageStyle::Critical, QStringLiteral("Error"));
    }
    return windows;
}

NetworkWindows* loadedNetworkWindows()
{
    return currentWindows();
}

void setNetworkWindows(NetworkWindows* windows)
{
    currentWindows() = windows;
}

} // namespace quorvane
