// Writes the window icon as the PNG files the desktop's icon theme installs:
// iconexport <directory> <name> <size>... makes <directory>/<size>x<size>/apps/<name>.png.
#include "artwork.h"

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 4) {
        err << "usage: iconexport <directory> <name> <size>...\n";
        return 2;
    }
    const QDir root(args.at(1));
    const QString& name = args.at(2);
    for (const QString& sizeText : args.mid(3)) {
        bool ok = false;
        const int size = sizeText.toInt(&ok);
        if (!ok || size <= 0) {
            err << "iconexport: not a pixel size: " << sizeText << '\n';
            return 2;
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = root.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!root.mkpath(folder) || !quorvane::padlockPixmap(size).save(file, "PNG")) {
            err << "iconexport: cannot write " << file << '\n';
            return 1;
        }
    }
    return 0;
}
