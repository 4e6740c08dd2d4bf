#include "pictures.h"

#include <QDir>

namespace quorvane {

namespace {

const QString folder = QStringLiteral(":/pictures/");

} // namespace

QPixmap embeddedPicture(const QString& name)
{
    return QPixmap(folder + name + QStringLiteral(".png"));
}

QIcon embeddedIcon(const QString& name)
{
    QIcon icon;
    const QStringList sizes = QDir(folder).entryList({name + QStringLiteral("-*.png")}, QDir::Files);
    for (const QString& file : sizes) {
        icon.addFile(folder + file);
    }
    return icon;
}

} // namespace quorvane
