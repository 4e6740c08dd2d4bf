#include "qrcode.h"

#include <QLibrary>
#include <cerrno>
#include <cstring>
#include <qrencode.h>

namespace quorvane {

namespace {

using EncodeString = QRcode* (*)(const char*, int, QRecLevel, QRencodeMode, int);
using Free = void (*)(QRcode*);

// libqrencode's two functions, resolved once, on the first code made.
struct Encoder
{
    EncodeString encodeString = nullptr;
    Free free = nullptr;
    QString error;
};

const Encoder& encoder()
{
    static const Encoder loaded = [] {
        QLibrary library(QStringLiteral("qrencode"), QUORVANE_QRENCODE_SOVERSION);
        Encoder found;
        found.encodeString = reinterpret_cast<EncodeString>(library.resolve("QRcode_encodeString"));
        found.free = reinterpret_cast<Free>(library.resolve("QRcode_free"));
        if (!found.encodeString || !found.free) {
            found.error = library.errorString();
        }
        return found;
    }();
    return loaded;
}

} // namespace

std::variant<QrCode, QString> QrCode::encode(const QString& text)
{
    const Encoder& library = encoder();
    if (!library.error.isEmpty()) {
        return QStringLiteral("The QR code library, libqrencode, could not be loaded (%1).")
            .arg(library.error);
    }
    const QByteArray utf8 = text.toUtf8();
    QRcode* code = library.encodeString(utf8.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code) {
        return QStringLiteral("libqrencode made no QR code of the link (%1).")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    const int size = code->width + 2 * QuietZone;
    std::vector<bool> dark(std::size_t(size) * std::size_t(size));
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            // Bit 0 of each byte: the module is dark.
            dark[std::size_t(y + QuietZone) * std::size_t(size) + std::size_t(x + QuietZone)] =
                code->data[y * code->width + x] & 1;
        }
    }
    library.free(code);
    return QrCode(size, std::move(dark));
}

QImage QrCode::image(int modulePixels) const
{
    QImage picture(m_size * modulePixels, m_size * modulePixels, QImage::Format_Grayscale8);
    picture.fill(Qt::white);
    for (int y = 0; y < m_size; ++y) {
        for (int x = 0; x < m_size; ++x) {
            if (!isDark(x, y)) {
                continue;
            }
            for (int row = y * modulePixels; row < (y + 1) * modulePixels; ++row) {
                std::memset(picture.scanLine(row) + x * modulePixels, 0, std::size_t(modulePixels));
            }
        }
    }
    return picture;
}

QImage QrCode::imageOfAtLeast(int pixels) const
{
    return image((pixels + m_size - 1) / m_size);
}

QByteArray QrCode::svg() const
{
    const QByteArray side = QByteArray::number(m_size);
    QByteArray path;
    for (int y = 0; y < m_size; ++y) {
        for (int x = 0; x < m_size; ++x) {
            if (!isDark(x, y)) {
                continue;
            }
            // A run of dark modules in a row is one rectangle.
            int run = 1;
            while (x + run < m_size && isDark(x + run, y)) {
                ++run;
            }
            path += 'M' + QByteArray::number(x) + ' ' + QByteArray::number(y) + 'h' +
                    QByteArray::number(run) + "v1h-" + QByteArray::number(run) + 'z';
            x += run;
        }
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" viewBox=\"0 0 " +
           side + ' ' + side + "\" width=\"" + side + "mm\" height=\"" + side +
           "mm\" shape-rendering=\"crispEdges\">\n<rect width=\"" + side + "\" height=\"" + side +
           "\" fill=\"#fff\"/>\n<path fill=\"#000\" d=\"" + path + "\"/>\n</svg>\n";
}

} // namespace quorvane
