#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QtGlobal>

namespace quorvane {

// The windows' pictures, embedded in the program when it is built (artwork/artwork.cpp
// draws them then), so showing one only loads it.
QPixmap embeddedPicture(const QString& name); // "banner", "preset1" to "preset8"
QIcon embeddedIcon(const QString& name);      // "padlock", "smiley", "laughing": every size built

// An embedded picture is this header and then its pixels, row by row, in the format
// a pixmap holds them (RGB32 if opaque, else premultiplied ARGB32), stored
// uncompressed: shown straight from the program's memory, with nothing to decode.
struct RawPictureHeader
{
    static constexpr quint32 magicNumber = 0x51565058; // "QVPX"
    quint32 magic;
    quint32 width;
    quint32 height;
    quint32 format; // a QImage::Format
};

} // namespace quorvane
