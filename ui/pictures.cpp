#include "pictures.h"

#include <QDir>
#include <QImageReader>

namespace quorvane {

namespace {

const QString folder = QStringLiteral(":/pictures/");

// Read as the PNG it is: guessing the format would load every image plugin.
QPixmap loaded(const QString& file)
{
    QImageReader reader(folder + file, "PNG");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

} // namespace

QPixmap embeddedPicture(const QString& name)
{
    return loaded(name + QStringLiteral(".png"));
}

// Every embedded size of the icon: files "<name>-<size>.png". The folder is listed
// without a name filter, which would compile a regular expression.
QIcon embeddedIcon(const QString& name)
{
    const QString prefix = name + QLatin1Char('-');
    QIcon icon;
    for (const QString& file : QDir(folder).entryList(QDir::Files)) {
        if (file.startsWith(prefix)) {
            icon.addPixmap(loaded(file));
        }
    }
    return icon;
}

} // namespace quorvane
