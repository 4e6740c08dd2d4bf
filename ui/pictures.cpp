#include "pictures.h"

#include <QImage>
#include <QResource>
#include <cstring>

namespace quorvane {

namespace {

const QString folder = QStringLiteral(":/pictures/");

// The picture over the resource's own bytes, which the build stores uncompressed: no
// copy and nothing to decode, as the pixmap keeps the image's format (see
// RawPictureHeader) and no one paints on it.
QPixmap loaded(const QString& file)
{
    const QResource resource(folder + file);
    RawPictureHeader header{};
    if (resource.compressionAlgorithm() != QResource::NoCompression ||
        resource.size() < qint64(sizeof header)) {
        return QPixmap();
    }
    std::memcpy(&header, resource.data(), sizeof header);
    const auto format = QImage::Format(header.format);
    const bool known = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
    if (header.magic != RawPictureHeader::magicNumber || !known ||
        resource.size() != qint64(sizeof header) + qint64(header.width) * header.height * 4) {
        return QPixmap();
    }
    const uchar* pixels = resource.data() + sizeof header;
    const QImage image(pixels, int(header.width), int(header.height), int(header.width) * 4, format);
    // QImage reads whole pixels; should the resource sit at an odd address, a copy does.
    const bool aligned = reinterpret_cast<quintptr>(pixels) % alignof(quint32) == 0;
    return QPixmap::fromImage(aligned ? image : image.copy());
}

} // namespace

QPixmap embeddedPicture(const QString& name)
{
    return loaded(name + QStringLiteral(".raw"));
}

// Every embedded size of the icon: files "<name>-<size>.raw", the sizes the build drew.
QIcon embeddedIcon(const QString& name)
{
    QIcon icon;
    for (const int size : {QUORVANE_WINDOW_ICON_SIZES}) {
        icon.addPixmap(loaded(QStringLiteral("%1-%2.raw").arg(name).arg(size)));
    }
    return icon;
}

} // namespace quorvane
