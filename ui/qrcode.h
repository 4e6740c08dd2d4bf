#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <variant>
#include <vector>

namespace quorvane {

// A QR code as libqrencode makes it, at error correction M, black on white, with the
// quiet zone of four modules that readers need around it. libqrencode is loaded on the
// first code made, not when the program starts.
class QrCode
{
public:
    static constexpr int QuietZone = 4;

    // The code of `text`, or why none can be made: no libqrencode, or a text too long.
    static std::variant<QrCode, QString> encode(const QString& text);

    // Modules a side, the quiet zone included.
    int size() const { return m_size; }
    bool isDark(int x, int y) const { return m_dark[std::size_t(y) * std::size_t(m_size) + std::size_t(x)]; }

    // Each module as a square of `modulePixels` pixels.
    QImage image(int modulePixels) const;
    // The smallest image whose sides are at least `pixels`, in whole pixels a module.
    QImage imageOfAtLeast(int pixels) const;
    // A vector picture, one unit a module, the dark modules as one path.
    QByteArray svg() const;

private:
    QrCode(int size, std::vector<bool> dark) : m_size(size), m_dark(std::move(dark)) {}

    int m_size = 0;
    std::vector<bool> m_dark;
};

} // namespace quorvane
